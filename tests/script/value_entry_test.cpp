// Script values and entries: deep copies, deletion, the first string, the binary entry record.
#include "script/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A value list from words: i<int>, f<float>, b<hex float bits>, s<text>, n (a string value
// without text), k<kind> (a kind-only value).
ScriptValue* Values(const std::string& words) {
    std::istringstream stream(words);
    ScriptValue *head = nullptr, *tail = nullptr;
    for (std::string word; stream >> word;) {
        std::string rest = word.substr(1);
        ScriptValue* value;
        if (word[0] == 'i') {
            value = new IntValue(std::stoi(rest));
        } else if (word[0] == 's' || word[0] == 'n') {
            value = new StringValue(word[0] == 's' ? rest.c_str() : nullptr);
        } else if (word[0] == 'k') {
            value = new ScriptValue(std::stoi(rest));
        } else if (word[0] == 'f') {
            value = new FloatValue(std::stof(rest));
        } else { // b: the float's bits
            FloatValue* real = new FloatValue();
            uint32_t bits = uint32_t(std::stoul(rest, nullptr, 16));
            memcpy(&real->value, &bits, 4);
            value = real;
        }
        (tail ? tail->next : head) = value;
        tail = value;
    }
    return head;
}

// The list in the same words, floats as their bits. In the record a missing text reads as "".
std::string Describe(const ScriptValue* value, bool asRecorded = false) {
    std::ostringstream text;
    for (; value; value = value->next) {
        if (auto integer = dynamic_cast<const IntValue*>(value)) {
            text << 'i' << integer->value;
        } else if (auto real = dynamic_cast<const FloatValue*>(value)) {
            uint32_t bits;
            memcpy(&bits, &real->value, 4);
            text << 'b' << std::hex << bits << std::dec;
        } else if (auto string = dynamic_cast<const StringValue*>(value)) {
            text << (string->text ? "s" + std::string(string->text) : asRecorded ? "s" : "n");
        } else {
            text << 'k' << value->kind;
        }
        text << (value->next ? " " : "");
    }
    return text.str();
}

void DeleteValues(ScriptValue* value) {
    while (value) {
        ScriptValue* next = value->next;
        delete value;
        value = next;
    }
}

ScriptEntry* Entry(const char* name, const std::string& values = "", ScriptEntry* child = nullptr,
                   ScriptEntry* next = nullptr) {
    ScriptEntry* entry = new ScriptEntry();
    snprintf(entry->name, sizeof entry->name, "%s", name);
    entry->values = Values(values);
    entry->child = child;
    entry->next = next;
    return entry;
}

// A list of entries as plain data.
struct Node {
    std::string name, values;
    std::vector<Node> children;
    bool operator==(const Node& o) const {
        return name == o.name && values == o.values && children == o.children;
    }
};

std::vector<Node> Tree(const ScriptEntry* entry, bool asRecorded = false) {
    std::vector<Node> list;
    for (; entry; entry = entry->next) {
        list.push_back(
            {entry->name, Describe(entry->values, asRecorded), Tree(entry->child, asRecorded)});
    }
    return list;
}

// Reads a record back as its layout says; fails the test on anything unexpected.
class RecordReader {
public:
    explicit RecordReader(std::string bytes) : bytes_(std::move(bytes)) {}
    bool AtEnd() const { return at_ == bytes_.size(); }

    std::vector<Node> List(int depth) {
        std::vector<Node> list;
        int32_t tag = Int();
        while (tag == 16 && depth < 64 && at_ <= bytes_.size()) {
            Node node{Take(Int()), "", {}};
            std::ostringstream values;
            while ((tag = Int()) != 16 && tag != 32 && tag != -1) {
                values << (values.tellp() > 0 ? " " : "");
                if (tag == 0) {
                    values << 'i' << Int();
                } else if (tag == 1) {
                    values << 'b' << std::hex << uint32_t(Int()) << std::dec;
                } else if (tag == 2) {
                    values << 's' << Take(Int());
                } else {
                    values << 'k' << tag;
                }
            }
            node.values = values.str();
            if (tag == 32) {
                node.children = List(depth + 1);
                tag = Int();
            }
            list.push_back(node);
        }
        EXPECT_EQ(tag, -1) << "at byte " << at_;
        return list;
    }

private:
    std::string Take(int32_t length) {
        if (length < 0 || size_t(length) > bytes_.size() - std::min(at_, bytes_.size())) {
            at_ = bytes_.size() + 1; // stops the reading
            ADD_FAILURE() << "bad length " << length;
            return std::string(4, '\xFF');
        }
        at_ += size_t(length);
        return bytes_.substr(at_ - size_t(length), size_t(length));
    }
    int32_t Int() {
        std::string b = Take(4);
        return int32_t(uint8_t(b[0]) | uint8_t(b[1]) << 8 | uint8_t(b[2]) << 16 |
                       uint32_t(uint8_t(b[3])) << 24);
    }

    std::string bytes_;
    size_t at_ = 0;
};

// Writes the list to a file; the file's bytes, and Write's result in `result`.
std::string Record(const ScriptEntry& entry, size_t* result = nullptr) {
    auto path = std::filesystem::temp_directory_path() /
                ("ferrox-record-" + std::to_string(std::random_device()()));
    FILE* file = fopen(path.string().c_str(), "w+b");
    if (!file) {
        ADD_FAILURE() << "cannot create " << path;
        return "";
    }
    size_t written = entry.Write(file);
    if (result) {
        *result = written;
    }
    std::string bytes(size_t(ftell(file)), '\0');
    rewind(file);
    EXPECT_EQ(fread(&bytes[0], 1, bytes.size(), file), bytes.size());
    fclose(file);
    std::filesystem::remove(path);
    return bytes;
}

std::string FromHex(const char* hex) {
    std::string bytes;
    for (std::istringstream stream(hex); stream >> std::hex;) {
        unsigned byte;
        if (!(stream >> byte)) {
            break;
        }
        bytes += char(byte);
    }
    return bytes;
}

TEST(EntryRecordTest, WritesTheRecordByteForByte) {
    const struct {
        ScriptEntry* entry;
        const char* hex;
    } cases[] = {
        {Entry("a", "i1", Entry("c"), Entry("b")),
         "10 00 00 00 01 00 00 00 61 00 00 00 00 01 00 00 00 20 00 00 00 10 00 00 00 01 00 00 00 "
         "63 FF FF FF FF 10 00 00 00 01 00 00 00 62 FF FF FF FF"},
        {Entry(""), "10 00 00 00 00 00 00 00 FF FF FF FF"},
        {Entry("", "f2.5"), "10 00 00 00 00 00 00 00 01 00 00 00 00 00 20 40 FF FF FF FF"},
        {Entry("xy", "i-2 shi n"),
         "10 00 00 00 02 00 00 00 78 79 00 00 00 00 FE FF FF FF "
         "02 00 00 00 02 00 00 00 68 69 02 00 00 00 00 00 00 00 FF FF FF FF"},
        // Kind-only values are written as their kind alone.
        {Entry("t", "k1 k9"), "10 00 00 00 01 00 00 00 74 01 00 00 00 09 00 00 00 FF FF FF FF"},
        {Entry("p", "", Entry("q", "", Entry("r"))),
         "10 00 00 00 01 00 00 00 70 20 00 00 00 10 00 00 00 01 00 00 00 71 20 00 00 00 10 00 00 "
         "00 01 00 00 00 72 FF FF FF FF FF FF FF FF FF FF FF FF"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ScriptEntry> entry(c.entry);
        size_t result = 0;
        EXPECT_EQ(Record(*entry, &result), FromHex(c.hex)) << c.hex;
        EXPECT_EQ(result, 1u) << c.hex;
    }
}

// Up to four siblings a level, with random names, values of every kind and child lists.
ScriptEntry* RandomList(std::mt19937& random, int depth) {
    ScriptEntry* head = nullptr;
    for (int count = int(random() % 4) + 1; count > 0; --count) {
        std::string name(random() % 32, 'a'), values;
        for (char& c : name) {
            c = char('a' + random() % 26);
        }
        for (int length = int(random() % 5); length > 0; --length) {
            const char* kinds[] = {"i", "b", "s", "n", "k"};
            int kind = int(random() % 5);
            values += kinds[kind];
            if (kind == 2) {
                values += std::string(random() % 40, char('!' + random() % 90));
            } else if (kind != 3) {
                values += std::to_string(kind == 4 ? 3 + random() % 10 : random() % 100000);
            }
            values += ' ';
        }
        ScriptEntry* child = depth > 0 && random() % 2 ? RandomList(random, depth - 1) : nullptr;
        head = Entry(name.c_str(), values, child, head);
    }
    return head;
}

TEST(EntryRecordTest, RandomTreesReadBackAsWritten) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        std::unique_ptr<ScriptEntry> tree(RandomList(random, 4));
        RecordReader reader(Record(*tree));
        EXPECT_EQ(reader.List(0), Tree(tree.get(), true)) << "seed " << seed;
        EXPECT_TRUE(reader.AtEnd()) << "seed " << seed;
    }
}

// Walks source and copy side by side: no entry, value or text is shared.
void ExpectNothingShared(const ScriptEntry* source, const ScriptEntry* copy) {
    for (; source && copy; source = source->next, copy = copy->next) {
        EXPECT_NE(source, copy);
        for (const ScriptValue *from = source->values, *to = copy->values; from && to;
             from = from->next, to = to->next) {
            EXPECT_NE(from, to);
            if (from->kind == kStringKind && static_cast<const StringValue*>(from)->text) {
                EXPECT_NE(static_cast<const StringValue*>(from)->text,
                          static_cast<const StringValue*>(to)->text);
            }
        }
        ExpectNothingShared(source->child, copy->child);
    }
}

TEST(EntryCopyTest, DeepCopyIsEqualAndIndependent) {
    ScriptEntry* sources[] = {
        Entry("limit", "i1 sa f2.5"),
        Entry(
            "game", "sdemo n",
            Entry("window", "i640 i480", Entry("title", "sDemo b7fa00001"), Entry("sound", "f0.5")),
            Entry("data", "", Entry("path", "sdata/"))),
    };
    for (ScriptEntry* source : sources) {
        const std::vector<Node> expected = Tree(source);
        ScriptEntry* copy = new ScriptEntry(*source);
        EXPECT_EQ(Tree(copy), expected) << source->name;
        ExpectNothingShared(source, copy);
        delete source;
        EXPECT_EQ(Tree(copy), expected) << copy->name;
        delete copy;
    }
}

TEST(EntryCopyTest, CopyAndDeleteStartAtTheirEntry) {
    ScriptEntry* list = Entry("a", "i1", Entry("child"), Entry("b", "i2", nullptr, Entry("c")));
    ScriptEntry* second = list->next;
    const std::vector<Node> rest = Tree(second);
    ASSERT_EQ(rest.size(), 2u);
    // A copy from the middle holds that entry and those after it.
    std::unique_ptr<ScriptEntry> copy(new ScriptEntry(*second));
    EXPECT_EQ(Tree(copy.get()), rest);
    // Cut off from its list, the head deletes only itself and its subtree.
    list->next = nullptr;
    delete list;
    EXPECT_EQ(Tree(second), rest);
    delete second;
}

TEST(ValueCopyTest, EveryKindCopiesItsPayloadAndTheRestOfTheList) {
    // Each kind heads a list once, so that each copy constructor is the one that copies.
    for (const char* words :
         {"i1 sa f2.5", "sa b7fa00001 n i-2147483648", "b80000000 s i-7", "n"}) {
        ScriptValue* source = Values(words);
        const std::string expected = Describe(source);
        ScriptValue* byHead;
        if (auto integer = dynamic_cast<IntValue*>(source)) {
            byHead = new IntValue(*integer);
        } else if (auto real = dynamic_cast<FloatValue*>(source)) {
            byHead = new FloatValue(*real);
        } else {
            byHead = new StringValue(*static_cast<StringValue*>(source));
        }
        ScriptValue* copies[] = {CopyValueChain(source), byHead};
        DeleteValues(source);
        for (ScriptValue* copy : copies) {
            EXPECT_EQ(Describe(copy), expected);
            DeleteValues(copy);
        }
    }
}

TEST(ValueCopyTest, CopyEndsAtAValueOfUnknownKind) {
    const struct {
        const char* source;
        const char* copy;
    } cases[] = {
        {"i1 k7 i3", "i1"},  {"i1 sa k3", "i1 sa"},    {"k16 i1", ""},
        {"i1 k-5 i3", "i1"}, {"k2 k0 i3", "k2 k0 i3"}, // a typedef's parameters: kind-only values
                                                       // of known kinds
    };
    for (const auto& c : cases) {
        ScriptValue* source = Values(c.source);
        ScriptValue* copy = CopyValueChain(source);
        EXPECT_EQ(Describe(copy), c.copy) << c.source;
        DeleteValues(copy);
        DeleteValues(source);
    }
    EXPECT_EQ(CopyValueChain(nullptr), nullptr);
}

TEST(EntryTest, FirstStringIsTheTextOfAFirstStringValue) {
    const struct {
        const char* values;
        const char* text;
    } cases[] = {{"stext i1", "text"}, {"i1 stext", nullptr}, {"", nullptr},
                 {"f1", nullptr},      {"n", nullptr},        {"k2", nullptr}};
    for (const auto& c : cases) {
        std::unique_ptr<ScriptEntry> entry(Entry("e", c.values));
        const char* text = FirstString(entry.get());
        EXPECT_EQ(text ? std::string(text) : "<null>", c.text ? c.text : "<null>") << c.values;
        if (text) {
            EXPECT_EQ(text, static_cast<StringValue*>(entry->values)->text);
        }
    }
}

TEST(EntryTest, MillionEntriesAndValuesAreCopiedWrittenAndDeletedWithoutRecursion) {
    const int count = 1000000;
    ScriptEntry* siblings = nullptr;
    ScriptValue* values = nullptr;
    for (int i = count - 1; i >= 0; --i) {
        ScriptEntry* entry = new ScriptEntry();
        entry->name[0] = 'e';
        entry->next = siblings;
        siblings = entry;
        ScriptValue* value = new IntValue(i);
        value->next = values;
        values = value;
    }
    // The head's copy constructor copies the rest of the list too.
    ScriptEntry* entryWithValues = Entry("");
    entryWithValues->values = new IntValue(*static_cast<IntValue*>(values));
    DeleteValues(values);
    const struct {
        ScriptEntry* list;
        size_t size;
        const char* tail; // the record's last eight bytes
    } cases[] = {
        {siblings, 9u * count + 4, "00 00 00 65 FF FF FF FF"},
        {entryWithValues, 8 + 8u * count + 4, "3F 42 0F 00 FF FF FF FF"},
    };
    for (const auto& c : cases) {
        ScriptEntry* copy = new ScriptEntry(*c.list);
        delete c.list;
        std::string record = Record(*copy);
        delete copy;
        ASSERT_EQ(record.size(), c.size);
        EXPECT_EQ(record.substr(record.size() - 8), FromHex(c.tail));
    }
}

} // namespace
