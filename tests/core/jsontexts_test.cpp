#include "exchange/jsontexts.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "support/testfiles.h"

namespace rq::exchange {

namespace {

// A document, read as entries of a template of 8 (or keyed), and the texts it gives or its refusal.
using JsonRow = std::tuple<const char*, bool, std::string, std::string>;

const JsonRow kJson[] = {
    {"EntriesByNumberOtherKeysPassedOver", false,
     R"({"v": [1], "entries": [{"entry": 8, "text": "A", "x": 0}]})", "8=A;"},
    {"NumberOverflow", false, R"({"entries": [{"entry": 1e999999999, "text": "x"}]})",
     "in cannot be read: number overflow parsing '1e999999999'."},
    {"TooManyValues", false, "{\"entries\": " + std::string(kJsonTextsValueLimit, '['),
     "in holds more than 262144 JSON values, more than any template's texts need."},
    {"KeyTwice", false, R"({"entries": [{"entry": 2, "text": "A", "text": "B"}]})",
     "in: the key \"text\" is given twice in one object."},
    {"NotJson", false, "{\"entries\": [",
     "in is not valid JSON: parse error at line 1, column 14: syntax error while parsing value - unexpected "
     "end of input; expected '[', '{', or a literal."},
    {"NoEntriesArray", false, R"({"entries": 3})", "in has no \"entries\" array, as dump writes it."},
    {"EntryTheTemplateLacks", false, R"({"entries": [{"entry": 9, "text": "x"}]})",
     "in: the template has no entry 9 (it has 8)."},
    {"EntryPast64Bits", false, R"({"entries": [{"entry": 18446744073709551615, "text": "x"}]})",
     "in: the template has no entry 18446744073709551615 (it has 8)."},
    {"EntryAsText", false, R"({"entries": [{"entry": "2", "text": "x"}]})",
     "in: every item of \"entries\" needs a whole number \"entry\" and a string \"text\"."},
    {"EntryTwice", false, R"({"entries": [{"entry": 2, "text": "A"}, {"entry": 2, "text": "B"}]})",
     "in: entry 2 is given twice."},
    {"TextsByKey", true, R"({"edition": "J", "texts": {"b": "x", "a": ""}})", "a=;b=x;"},
    {"NoTextsObject", true, R"({"entries": []})", "in has no \"texts\" object, as cutscenes dump writes it."},
    {"TextNotAString", true, R"({"texts": {"b": "ok", "a": null}})",
     "in: the text of \"a\" is not a string."},
};

template <class Key>
std::string shown(const Result<std::map<Key, std::string>>& texts) {
    std::ostringstream given;
    for (const auto& [key, text] : texts ? *texts : std::map<Key, std::string>{}) {
        given << key << "=" << text << ";";
    }
    return texts ? given.str() : texts.error();
}

class JsonTexts : public testing::TestWithParam<JsonRow> {};

TEST_P(JsonTexts, GiveTheTextsOrTheFirstProblem) {
    const auto& [name, keyed, json, given] = GetParam();
    EXPECT_EQ(keyed ? shown(parseJsonKeyedTexts(json, "in")) : shown(parseJsonTexts(json, "in", 8)), given);
}

INSTANTIATE_TEST_SUITE_P(Documents, JsonTexts, testing::ValuesIn(kJson), test::rowName);

}  // namespace
}  // namespace rq::exchange
