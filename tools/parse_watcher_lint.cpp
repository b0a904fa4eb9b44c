// Warnings about what the launcher accepts without a word but reads otherwise than its text
// seems to say: escapes, integers past 32 bits, a setting given twice.
#include "tools/parse_watcher.h"

#include "platform/win32.h"
#include "tools/value_lint.h"

#include <algorithm>

namespace {

// The top-level keywords whose first string the launcher takes, the last one given winning.
const char* const kLauncherSettings[] = {"JavaGameClassName", "JavaClasses", "JavaClassesPacked"};

const char* SettingNamed(const char* name) {
    for (const char* setting : kLauncherSettings) {
        if (_stricmp(setting, name) == 0) {
            return setting;
        }
    }
    return nullptr;
}

} // namespace

void ParseWatcher::LintArgument() {
    if (stopped_ || !argument_.source || !argument_.type) {
        return;
    }
    const ScriptSource& source = *argument_.source;
    int32_t wanted = argument_.parameter->kind;
    if (LiteralKindAt(source.buffer, source.size, argument_.start) != wanted) {
        return; // a constant's name, whose value was linted where it was defined
    }
    std::vector<ValueLint> lints =
        wanted == kStringKind ? LintString(source.buffer, argument_.start, argument_.end)
        : wanted == kIntKind  ? LintInteger(source.buffer, argument_.start, argument_.end)
                              : std::vector<ValueLint>();
    for (const ValueLint& lint : lints) {
        AddAt(source, lint.at, Diagnostic::kWarning, lint.code, lint.message);
    }
}

void ParseWatcher::SettingGiven() {
    const char* setting = SettingNamed(argument_.type->name);
    const ScriptValue* firstString = argument_.type->values;
    while (firstString && firstString->kind != kStringKind) {
        firstString = firstString->next;
    }
    bool topLevel = std::all_of(files_.begin(), files_.end(),
                                [](const OpenFile& file) { return file.braces.empty(); });
    if (!setting || argument_.parameter != firstString || !topLevel) {
        return;
    }
    Setting& given = settings_[setting];
    Diagnostic place =
        At(*argument_.source, argument_.start, Diagnostic::kWarning, "repeated-setting", "");
    (given.count++ == 0 ? given.first : given.last) = std::move(place);
}

void ParseWatcher::WarnRepeatedSettings() {
    for (auto& [name, given] : settings_) {
        if (given.count < 2) {
            continue;
        }
        Diagnostic warning = given.last;
        warning.message = "'" + name + "' is given " + std::to_string(given.count) +
                          " times at the top level: the launcher takes this one, the last";
        Add(warning);
        given.first.severity = Diagnostic::kNote;
        given.first.code.clear();
        given.first.includedFrom.clear();
        given.first.message = "first given here";
        Add(given.first);
    }
}
