-- A scripted session of Neovim's own LSP client against `ferrox-script lsp`, run headless:
--   FERROX_SCRIPT=... FERROX_LSP_DIR=... nvim --headless -u NONE -c 'luafile neovim_session.lua'
-- The folder holds game.ini and parts/items.ini (editors_session.sh writes them). Each check
-- that fails is printed; Neovim exits with status 1 when any did, else 0.
local server = os.getenv('FERROX_SCRIPT')
local dir = os.getenv('FERROX_LSP_DIR')
local failures = 0
local function check(ok, what, got)
  if not ok then
    failures = failures + 1
    io.stderr:write('FAIL neovim: ' .. what .. ': ' .. vim.inspect(got) .. '\n')
  end
end

vim.cmd('edit ' .. dir .. '/game.ini')
local buf = vim.api.nvim_get_current_buf()
local client_id = vim.lsp.start_client({
  cmd = { server, 'lsp' },
  root_dir = dir,
  name = 'ferrox-script',
})
vim.lsp.buf_attach_client(buf, client_id)
local client = vim.lsp.get_client_by_id(client_id)
check(vim.wait(10000, function() return client.initialized end), 'initialized', client_id)

local function diagnostics() return vim.diagnostic.get(buf) end
local function errors() return vim.diagnostic.get(buf, { severity = vim.diagnostic.severity.ERROR }) end
local function request(method, params)
  local answers = vim.lsp.buf_request_sync(buf, method, params, 10000)
  local answer = answers and answers[client_id]
  check(answer and not answer.err, method .. ' answered', answer)
  return answer and answer.result
end
local function at(line, character)
  return { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = line, character = character } }
end

-- The wrapped integer is warned of; a fault appears as the text changes, and goes when it is
-- mended.
check(vim.wait(10000, function() return #diagnostics() == 1 end), 'the warning', diagnostics())
local w = diagnostics()[1]
check(w and w.severity == vim.diagnostic.severity.WARN and w.lnum == 7 and w.col == 16
      and w.end_col == 26, 'the warning and its place', w)
vim.api.nvim_buf_set_lines(buf, 8, 9, false, { 'item("sword", hevy)' })
check(vim.wait(10000, function() return #errors() == 1 end), 'a fault appears', diagnostics())
local d = errors()[1]
check(d and d.message == "argument 2 of 'item' must be a decimal number; 'hevy' is no constant defined before it"
      and d.lnum == 8 and d.col == 14 and d.end_col == 18 and d.user_data.lsp.code == 'unknown-const',
      'the fault and its place', d)
vim.api.nvim_buf_set_lines(buf, 8, 9, false, { 'item("sword", heavy)' })
check(vim.wait(10000, function() return #errors() == 0 end), 'the fault goes', diagnostics())

local hover = request('textDocument/hover', at(3, 2))
check(hover and hover.contents.value:find('!level(s, i)', 1, true), 'hover on a keyword', hover)
hover = request('textDocument/hover', at(3, 18))
check(hover and hover.contents.value:find('the game reads 5', 1, true), 'hover on a constant', hover)

local definition = request('textDocument/definition', at(8, 15))
check(definition and definition.uri == vim.uri_from_fname(dir .. '/parts/items.ini')
      and definition.range.start.line == 1, 'definition through an include', definition)

local params = at(0, 3)
params.context = { includeDeclaration = true }
local references = request('textDocument/references', params)
check(references and #references == 3, 'references of a keyword', references)

local symbols = request('textDocument/documentSymbol', { textDocument = { uri = vim.uri_from_bufnr(buf) } })
check(symbols and #symbols == 3 and symbols[1].name == 'level' and #symbols[1].children == 1
      and symbols[1].children[1].name == 'door', 'document symbols', symbols)

local completion = request('textDocument/completion', at(5, 4))
local labels = {}
for _, item in ipairs(completion or {}) do table.insert(labels, item.label) end
check(table.concat(labels, ' ') == 'door item level', 'completion in a block', labels)

-- Formatting lays out what the modder typed, through the client's own edits.
vim.api.nvim_buf_set_lines(buf, 5, 6, false, { 'door( "north" )' })
vim.lsp.buf.formatting_sync(nil, 10000)
local line = vim.api.nvim_buf_get_lines(buf, 5, 6, false)[1]
check(line == '    door("north")', 'formatting', line)

client.stop()
check(vim.wait(10000, function() return client.is_stopped() end), 'shutdown and exit', client_id)
vim.cmd((failures == 0 and 'qall!' or 'cquit!'))
