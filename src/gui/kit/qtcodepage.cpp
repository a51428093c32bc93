#include "qtcodepage.h"

#include "files/codepage.h"

namespace rq {

QString fromCodePage(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        text += QChar(static_cast<char16_t>(byteToUnicode(static_cast<std::uint8_t>(c))));
    }
    return text;
}

std::optional<std::string> toCodePage(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text) {
        const auto byte = unicodeToByte(ch.unicode());
        if (!byte) {
            return std::nullopt;
        }
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

std::string toPath(const QString& path) {
    return path.toStdString();
}

QString fromPath(const std::string& path) {
    return QString::fromStdString(path);
}

}  // namespace rq
