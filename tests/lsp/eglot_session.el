;;; eglot_session.el --- a scripted Eglot session against `ferrox-script lsp'  -*- lexical-binding: t -*-
;; Run in batch mode (without -Q, so that Debian's elpa-eglot loads) by editors_session.sh,
;; with FERROX_SCRIPT naming the server and FERROX_LSP_DIR a folder holding game.ini and
;; parts/items.ini. Each check that fails is printed; Emacs exits with 1 when any did, else 0.
(require 'eglot)
(require 'flymake)

(defvar ferrox-failures 0)
(defun ferrox-check (ok what got)
  (unless ok
    (setq ferrox-failures (1+ ferrox-failures))
    (message "FAIL eglot: %s: %S" what got)))

(defun ferrox-wait (predicate)
  "Waits up to 10 seconds for PREDICATE, reading the server's output meanwhile."
  (let ((deadline (+ (float-time) 10)))
    (while (and (not (funcall predicate)) (< (float-time) deadline))
      (accept-process-output nil 0.05))
    (funcall predicate)))

(define-derived-mode ferrox-ini-mode prog-mode "Ferrox-INI")
(add-to-list 'eglot-server-programs
             `(ferrox-ini-mode . (,(getenv "FERROX_SCRIPT") "lsp")))

(let* ((dir (file-name-as-directory (getenv "FERROX_LSP_DIR")))
       (eglot-sync-connect t))
  (find-file (concat dir "game.ini"))
  (ferrox-ini-mode)
  (apply #'eglot (eglot--guess-contact))
  (let ((server (eglot-current-server)))
    (ferrox-check server "connected" nil)
    (cl-flet ((goto (line column)
                (goto-char (point-min))
                (forward-line line)
                (forward-char column))
              (errors ()
                (seq-filter (lambda (d) (eq (flymake-diagnostic-type d) 'eglot-error))
                            (flymake-diagnostics)))
              (ask (method)
                (jsonrpc-request server method (eglot--TextDocumentPositionParams))))
      ;; A fault appears as the text changes, and goes when it is mended.
      (goto 8 14)
      (insert "x")
      (eglot--signal-textDocument/didChange)
      (ferrox-check (ferrox-wait (lambda () (= 1 (length (errors)))))
                    "a fault appears" (flymake-diagnostics))
      (let ((d (car (errors))))
        ;; Eglot's client takes no related information: the notes follow the message, with
        ;; the place of one in another file.
        (ferrox-check (and d (string-match-p
                              (concat "\\[unknown-const\\]: argument 2 of 'item' must be a decimal "
                                      "number; 'xheavy' is no constant defined before it\n"
                                      "note: did you mean 'heavy'\\?\n"
                                      "note: declared here: !item(s, f) (.*/parts/items.ini:1)\n"
                                      "note: the launcher's log says: unknown const name 'xheavy'$")
                              (flymake-diagnostic-text d)))
                      "the fault's message and note" (and d (flymake-diagnostic-text d))))
      (delete-char -1)
      (eglot--signal-textDocument/didChange)
      (ferrox-check (ferrox-wait (lambda () (null (errors))))
                    "the fault goes" (flymake-diagnostics))
      ;; The wrapped integer stays warned of.
      (ferrox-check (equal '(eglot-warning) (mapcar #'flymake-diagnostic-type (flymake-diagnostics)))
                    "the warning" (flymake-diagnostics))
      ;; Hover on a keyword and on a constant's argument.
      (goto 3 2)
      (let ((hover (plist-get (plist-get (ask :textDocument/hover) :contents) :value)))
        (ferrox-check (and hover (string-match-p (regexp-quote "!level(s, i)") hover))
                      "hover on a keyword" hover))
      (goto 3 18)
      (let ((hover (plist-get (plist-get (ask :textDocument/hover) :contents) :value)))
        (ferrox-check (and hover (string-match-p "the game reads 5" hover))
                      "hover on a constant" hover))
      ;; Definition through the include, and references of a keyword.
      (goto 8 15)
      (let ((definition (ask :textDocument/definition)))
        (ferrox-check (and definition
                           (string-suffix-p "/parts/items.ini" (plist-get definition :uri))
                           (= 1 (plist-get (plist-get (plist-get definition :range) :start) :line)))
                      "definition through an include" definition))
      (goto 0 3)
      (let ((references (jsonrpc-request server :textDocument/references
                                         (append (eglot--TextDocumentPositionParams)
                                                 '(:context (:includeDeclaration t))))))
        (ferrox-check (= 3 (length references)) "references of a keyword" references))
      ;; Symbols through Eglot's imenu, completion through its completion-at-point.
      (let* ((index (eglot-imenu))
             (names (let (found)
                      (cl-labels ((walk (items)
                                    (dolist (item items)
                                      (push (car item) found)
                                      (when (listp (cdr item)) (walk (cdr item))))))
                        (walk index))
                      found)))
        (ferrox-check (and (member "level" names) (member "door" names) (member "item" names))
                      "document symbols" index))
      (goto 5 4)
      (let* ((capf (eglot-completion-at-point))
             (labels (and capf (all-completions "" (nth 2 capf)))))
        (ferrox-check (equal (sort (copy-sequence labels) #'string<) '("door" "item" "level"))
                      "completion in a block" labels))
      (eglot-shutdown server)
      (ferrox-check (not (jsonrpc-running-p server)) "shutdown and exit" nil))))
(kill-emacs (if (= ferrox-failures 0) 0 1))
