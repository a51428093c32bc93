#include "qtcodepage.h"

#include "files/codepage.h"

namespace rq::kit {

QString fromCodePage(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        text += QChar(static_cast<char16_t>(files::byteToUnicode(static_cast<std::uint8_t>(c))));
    }
    return text;
}

std::string toPath(const QString& path) {
    return path.toStdString();
}

QString fromPath(const std::string& path) {
    return QString::fromStdString(path);
}

}  // namespace rq::kit
