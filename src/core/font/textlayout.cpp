#include "font/textlayout.h"

#include <algorithm>
#include <bitset>

#include "files/codepage.h"

namespace rq::font {
namespace {

struct Token {
    enum Kind : std::uint8_t { Glyph, Space, LineBreak, BoxBreak, Code };
    Kind kind = Glyph;
    std::size_t begin = 0;
    std::size_t end = 0;
    int width = 0;
    int glyph = -1;  // Glyph and Space: -1 when the font has none
    char32_t ch = 0;
};

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "<$XX>" at the start of the text.
bool rawByteAt(std::string_view text) {
    return text.size() >= 5 && text[0] == '<' && text[1] == '$' && isHexDigit(text[2]) &&
           isHexDigit(text[3]) && text[4] == '>';
}

// The length of one UTF-8 character at the start (1 for a byte that starts none), and the character.
std::pair<std::size_t, char32_t> characterAt(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length <= text.size()) {
        if (const auto decoded = files::decodeUtf8(text.substr(0, length)); decoded && decoded->size() == 1) {
            return {length, decoded->front()};
        }
    }
    return {1, U'\uFFFD'};
}

class Tokenizer {
  public:
    explicit Tokenizer(const EntryMetrics& metrics) : m_metrics(metrics) {
        for (const auto& [label, parameters] : metrics.glyphs->labels) {
            if (!label.empty()) {
                m_labelStarts.set(static_cast<unsigned char>(label.front()));
            }
        }
    }

    [[nodiscard]] std::vector<Token> operator()(std::string_view text) const {
        std::vector<Token> tokens;
        for (std::size_t at = 0; at < text.size();) {
            Token token = next(text, at);
            at = token.end;
            tokens.push_back(token);
        }
        return tokens;
    }

  private:
    [[nodiscard]] Token next(std::string_view text, std::size_t at) const {
        const std::string_view rest = text.substr(at);
        if (rest.front() == '\n') {
            return Token{Token::LineBreak, at, at + 1};
        }
        if (m_labelStarts.test(static_cast<unsigned char>(rest.front()))) {
            for (const auto& [label, parameters] : m_metrics.glyphs->labels) {
                if (!rest.starts_with(label)) {
                    continue;
                }
                std::size_t end = at + label.size();
                for (int i = 0; i < parameters && rawByteAt(text.substr(end)); ++i) {
                    end += 5;
                }
                const bool boxBreak = !m_metrics.box->boxBreak.empty() && label == m_metrics.box->boxBreak;
                return Token{boxBreak ? Token::BoxBreak : Token::Code, at, end,
                             boxBreak ? 0 : m_metrics.box->codeWidth(label)};
            }
        }
        if (rawByteAt(rest)) {
            return Token{Token::Code, at, at + 5};
        }
        const auto [length, ch] = characterAt(rest);
        const auto found = m_metrics.glyphs->glyphs.find(ch);
        const int glyph = found == m_metrics.glyphs->glyphs.end() ? -1 : found->second;
        return Token{ch == U' ' ? Token::Space : Token::Glyph,       at,    at + length,
                     glyph < 0 ? 0 : m_metrics.font->advance(glyph), glyph, ch};
    }

    const EntryMetrics& m_metrics;
    std::bitset<256> m_labelStarts;
};

}  // namespace

Layout layoutText(const EntryMetrics& metrics, std::string_view text) {
    Layout layout;
    layout.boxes.emplace_back().emplace_back();
    const auto startLine = [&](std::size_t at) { layout.boxes.back().push_back(Layout::Line{0, at, at}); };
    for (const Token& token : Tokenizer(metrics)(text)) {
        if (token.kind == Token::LineBreak) {
            startLine(token.end);
            continue;
        }
        if (token.kind == Token::BoxBreak) {
            layout.boxes.emplace_back();
            startLine(token.end);
            continue;
        }
        Layout::Line& line = layout.boxes.back().back();
        if (token.kind != Token::Code && token.glyph < 0 &&
            layout.missing.find(token.ch) == std::u32string::npos) {
            layout.missing.push_back(token.ch);
        }
        if (token.glyph >= 0) {
            layout.placed.push_back(Layout::Placed{static_cast<int>(layout.boxes.size()) - 1,
                                                   static_cast<int>(layout.boxes.back().size()) - 1,
                                                   line.width, token.glyph});
        }
        line.width += token.width;
        line.end = token.end;
    }
    for (auto& box : layout.boxes) {
        if (box.size() > 1 && box.back().begin == box.back().end) {
            box.pop_back();
        }
    }
    if (layout.boxes.size() > 1 && layout.boxes.back().size() == 1 &&
        layout.boxes.back().front().begin == layout.boxes.back().front().end) {
        layout.boxes.pop_back();
    }
    return layout;
}

WidestLine widestLine(const Layout& layout) {
    WidestLine widest{0, 0, -1};
    for (std::size_t box = 0; box < layout.boxes.size(); ++box) {
        for (std::size_t line = 0; line < layout.boxes[box].size(); ++line) {
            if (layout.boxes[box][line].width > widest.width) {
                widest = {static_cast<int>(box), static_cast<int>(line), layout.boxes[box][line].width};
            }
        }
    }
    widest.width = std::max(widest.width, 0);
    return widest;
}

Drawing drawLayout(const EntryMetrics& metrics, const Layout& layout) {
    const Font& font = *metrics.font;
    Drawing drawing;
    drawing.boxWidth = metrics.box->width;
    drawing.boxHeight = metrics.box->lines * font.height();
    drawing.width = std::max(drawing.boxWidth, widestLine(layout).width);
    for (const auto& box : layout.boxes) {
        drawing.boxTops.push_back(drawing.height);
        drawing.height += std::max(static_cast<int>(box.size()), metrics.box->lines) * font.height();
    }
    drawing.pixels.assign(static_cast<std::size_t>(drawing.width) * static_cast<std::size_t>(drawing.height),
                          Drawing::White);
    for (const auto& placed : layout.placed) {
        const auto pixels = font.pixels(placed.glyph);
        const int top = drawing.boxTops[static_cast<std::size_t>(placed.box)] + placed.line * font.height();
        const bool pastLines = placed.line >= metrics.box->lines;
        for (int y = 0; y < font.height(); ++y) {
            for (int x = 0; x < font.width() && placed.x + x < drawing.width; ++x) {
                if (pixels[static_cast<std::size_t>(y * font.width() + x)] == 0) {
                    continue;
                }
                const bool past = pastLines || placed.x + x >= drawing.boxWidth;
                drawing.pixels[static_cast<std::size_t>(top + y) * static_cast<std::size_t>(drawing.width) +
                               static_cast<std::size_t>(placed.x + x)] = past ? Drawing::Red : Drawing::Black;
            }
        }
    }
    return drawing;
}

namespace {

// A run of tokens between separators, and what stood before it.
struct Word {
    std::size_t begin = 0;  // the word's bytes
    std::size_t end = 0;
    int width = 0;
    std::string spaces;  // the spaces before it
    int spacesWidth = 0;
    bool broken = false;  // a line or box break stood before it
};

}  // namespace

Wrapped wrapText(const EntryMetrics& metrics, std::string_view text) {
    const BoxKeys& box = *metrics.box;
    const auto tokens = Tokenizer(metrics)(text);
    std::vector<Word> words;
    Word pending;  // the separator gathered so far, then the word
    bool inWord = false;
    std::string boxBreakText;
    int spaceWidth = 0;
    for (const Token& token : tokens) {
        const std::string_view bytes = text.substr(token.begin, token.end - token.begin);
        const bool separator =
            token.kind == Token::Space || token.kind == Token::LineBreak || token.kind == Token::BoxBreak;
        if (separator && inWord) {
            words.push_back(pending);
            pending = Word{};
            inWord = false;
        }
        if (token.kind == Token::Space) {
            pending.spaces += bytes;
            pending.spacesWidth += token.width;
            spaceWidth = token.width;
        } else if (separator) {
            pending.broken = true;
            if (token.kind == Token::BoxBreak && boxBreakText.empty()) {
                boxBreakText = bytes;
            }
        } else {
            if (!inWord) {
                pending.begin = token.begin;
            }
            inWord = true;
            pending.end = token.end;
            pending.width += token.width;
        }
    }
    if (inWord) {
        words.push_back(pending);
        pending = Word{};
    }
    if (spaceWidth == 0) {
        if (const auto found = metrics.glyphs->glyphs.find(U' '); found != metrics.glyphs->glyphs.end()) {
            spaceWidth = metrics.font->advance(found->second);
        }
    }
    if (boxBreakText.empty() && !box.boxBreak.empty()) {
        boxBreakText = box.boxBreak;
        const auto label =
            std::ranges::find(metrics.glyphs->labels, box.boxBreak, &std::pair<std::string, int>::first);
        for (int i = 0; label != metrics.glyphs->labels.end() && i < label->second; ++i) {
            boxBreakText += "<$00>";
        }
    }
    Wrapped wrapped;
    int lineWidth = 0;
    int line = 1;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        if (i == 0) {
            // Spaces the text begins with are its own; breaks there have nothing to part.
            wrapped.text += word.spaces;
            lineWidth = word.spacesWidth;
        } else if (!word.broken && !word.spaces.empty() &&
                   lineWidth + word.spacesWidth + word.width <= box.width) {
            wrapped.text += word.spaces;
            lineWidth += word.spacesWidth;
        } else if (lineWidth + spaceWidth + word.width <= box.width) {
            wrapped.text += ' ';
            lineWidth += spaceWidth;
        } else {
            if (line < box.lines || boxBreakText.empty()) {
                wrapped.text += '\n';
                ++line;
            } else {
                wrapped.text += boxBreakText;
                line = 1;
            }
            lineWidth = 0;
        }
        if (word.width > box.width) {
            wrapped.tooWide.emplace_back(text.substr(word.begin, word.end - word.begin));
        }
        wrapped.text += text.substr(word.begin, word.end - word.begin);
        lineWidth += word.width;
    }
    // Spaces the text ends with stay; its last breaks part nothing.
    wrapped.text += pending.spaces;
    return wrapped;
}

}  // namespace rq::font
