// The literal readers: numbers, strings and constant references, with every error they report.
#include "tests/script/script_fixture.h"

#include <cmath>
#include <cstdio>

namespace {

// What a reader gave: the value as text, or "none"; the flag; the next byte left to read.
struct Outcome {
    std::string value;
    int32_t flag;
    std::string next;
    bool operator==(const Outcome& other) const {
        return value == other.value && flag == other.flag && next == other.next;
    }
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << "{" << outcome.value << ", flag " << outcome.flag << ", next '" << outcome.next
               << "'}";
}

std::string Describe(ScriptValue* value) {
    if (!value) {
        return "none";
    }
    char text[64];
    if (value->kind == kIntKind) {
        std::snprintf(text, sizeof text, "int %d", static_cast<IntValue*>(value)->value);
    } else if (value->kind == kFloatKind) {
        float f = static_cast<FloatValue*>(value)->value;
        std::snprintf(text, sizeof text, "float %s%.9g", std::signbit(f) ? "-" : "", std::fabs(f));
    } else {
        const char* payload = static_cast<StringValue*>(value)->text;
        std::snprintf(text, sizeof text, payload ? "string [%s]" : "string without text", payload);
    }
    delete value;
    return text;
}

// Reads one literal of `kind` from `text`, with the constants maxp (int 4), speed (float 2.5)
// and pack (string "code") defined, in that order.
Outcome Read(const std::unique_ptr<ScriptSource>& source, int32_t kind) {
    AddConstant(*source, "maxp", new IntValue(4));
    AddConstant(*source, "speed", new FloatValue(2.5f));
    AddConstant(*source, "pack", new StringValue("code"));
    int32_t flag = 0;
    ScriptValue* value = kind == kIntKind ? source->ParseIntLiteral(&flag)
                         : kind == kFloatKind
                             ? static_cast<ScriptValue*>(source->ParseFloatLiteral(&flag))
                             : source->ParseStringLiteral(&flag);
    std::string described = Describe(value);
    int next = source->GetChar();
    return {described, flag, next == -1 ? "" : std::string(1, char(next))};
}

struct Case {
    std::string text;
    Outcome outcome;
    std::string report; // the message that reached the log, or ""
};

class Literals : public ScriptTest {
protected:
    void Check(int32_t kind, const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            Logged().clear();
            Outcome outcome = Read(Source(c.text), kind);
            EXPECT_EQ(outcome, c.outcome) << c.text;
            const std::string& logged = Logged();
            std::string message =
                logged.empty() ? "" : logged.substr(11, logged.find(": in file") - 11);
            EXPECT_EQ(message, c.report) << c.text;
        }
    }
};

TEST_F(Literals, Integers) {
    Check(kIntKind, {
                        {"-7,", {"int -7", 0, ","}, ""},
                        {"- 7)", {"int -7", 0, ")"}, ""},
                        {"-/* c */7 ", {"int -7", 0, " "}, ""},
                        {"007\t", {"int 7", 0, "\t"}, ""},
                        {"-0\r", {"int 0", 0, "\r"}, ""},
                        {"4294967295 ", {"int -1", 0, " "}, ""},
                        {"2147483648 ", {"int -2147483648", 0, " "}, ""},
                        {"12;", {"none", 1, ""}, "invalid termination of integer"},
                        {"0x10 ", {"none", 1, "1"}, "invalid termination of integer"},
                        {"1e3 ", {"none", 1, "3"}, "invalid termination of integer"},
                        {"12", {"none", 1, ""}, "invalid termination of integer"},
                        {"-x", {"none", 1, ""}, "expected number"},
                        {"+7", {"none", 1, "+"}, "unknown const name ''"},
                        {"MAXP)", {"int 4", 0, ")"}, ""},
                        {"maxp", {"none", -1, ""}, ""}, // the name runs into the end of the file
                        {"speed)", {"none", 1, ")"}, "'speed' const type != 'int'"},
                        {"", {"none", -1, ""}, ""},
                    });
}

TEST_F(Literals, DecimalNumbers) {
    Check(kFloatKind, {
                          {"5 ", {"float 5", 0, " "}, ""},
                          {"5.)", {"float 5", 0, ")"}, ""},
                          {"2.5,", {"float 2.5", 0, ","}, ""},
                          {"-0 ", {"float -0", 0, " "}, ""},
                          {"- 0.125 ", {"float -0.125", 0, " "}, ""},
                          {"0.1 ", {"float 0.100000001", 0, " "}, ""},
                          {"1000000000000000000000000000000000000000 ", {"float inf", 0, " "}, ""},
                          {"1.2.3 ", {"none", 1, "3"}, "invalid termination of float"},
                          {"1e3 ", {"none", 1, "3"}, "invalid termination of float"},
                          {"2.5", {"none", 1, ""}, "invalid termination of float"},
                          {".5 ", {"none", 1, "."}, "unknown const name ''"},
                          {"-speed", {"none", 1, "p"}, "expected number"},
                          {"Speed)", {"float 2.5", 0, ")"}, ""},
                          {"MaxP)", {"none", 1, ")"}, "'MaxP' const type != 'float'"},
                      });
}

TEST_F(Literals, Strings) {
    const std::string w32(32, 'w');
    Check(kStringKind, {
                           {"\"a\\nb\")", {"string [a\r\nb]", 0, ")"}, ""},
                           {"\"\\t\\q\\\"\\\\\"", {"string [\tq\"\\]", 0, ""}, ""},
                           {"\"\"x", {"string []", 0, "x"}, ""},
                           {"\"raw\r\nline\"", {"string [raw\r\nline]", 0, ""}, ""},
                           {"\"a\\\r\nb\"", {"string [a\nb]", 0, ""}, ""},
                           {"\"a\\\n\rb\"", {"string [a\rb]", 0, ""}, ""},
                           {"\"a\\\rb\"", {"string [a\rb]", 0, ""}, ""},
                           {std::string("\"x\0y\"", 5), {"string [x]", 0, ""}, ""},
                           {"\"never closed", {"none", 1, ""}, "expected ending \""},
                           {"\"ends in a backslash\\", {"none", 1, ""}, "expected ending \""},
                           {"PACK)", {"string [code]", 0, ")"}, ""},
                           {"nope)", {"none", 1, ")"}, "unknown const name 'nope'"},
                           {"maxp)", {"none", 1, ")"}, "'maxp' const type != 'string'"},
                           {w32, {"none", 1, "w"}, "word limit exceeded"},
                       });
}

TEST_F(Literals, ManyStringsReuseOneBuffer) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "\"value " + std::to_string(i) + "\" ";
    }
    auto source = Source(text);
    for (int i = 0; i < 20000; ++i) {
        int32_t flag = 0;
        source->SkipBlanks();
        StringValue* value = source->ParseStringLiteral(&flag);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(std::string(value->text), "value " + std::to_string(i));
        delete value;
    }
}

} // namespace
