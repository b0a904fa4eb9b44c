#include "script/parse_events.h"

ParseEventHook installedParseEventHook = nullptr;

void SetParseEventHook(ParseEventHook hook) {
    installedParseEventHook = hook;
}
