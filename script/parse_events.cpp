#include "script/parse_events.h"

ParseEventHook installedParseEventHook = nullptr;
void* installedParseEventContext = nullptr;

void SetParseEventHook(ParseEventHook hook, void* context) {
    installedParseEventHook = hook;
    installedParseEventContext = hook ? context : nullptr;
}
