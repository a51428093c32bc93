// Any bytes as a glossary, both as it stands (TBX when it is XML) and after a CSV header row, and the same
// bytes as a text its terms are looked for in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/glossary.h"
#include "exchangeinput.h"
#include "qa/termmatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string name = "terms";
    for (const std::string& file : {std::string(input), "source,target,forbidden\n" + std::string(input)}) {
        // A refusal names the file; every term read has a source or forbids something, and says where it
        // stands.
        const auto read = rq::exchange::parseGlossary(file, name);
        if (!read) {
            fuzz::require(read.error().starts_with(name));
            continue;
        }
        for (const auto& term : read->terms) {
            fuzz::require(!term.sources.empty() || !term.forbidden.empty());
            fuzz::require(term.where.starts_with("line ") || term.where.starts_with("row "));
        }
        const rq::qa::TermMatcher matcher(*read);
        const auto text = rq::qa::foldText(input);
        fuzz::require(text.gaps.size() == text.words.size());
        for (const std::size_t term : matcher.termsIn(text)) {
            fuzz::require(term < read->terms.size() && !read->terms[term].sources.empty());
            (void)matcher.holdsTarget(term, text);
            (void)matcher.forbiddenIn(term, text);
        }
    }
    return 0;
}
