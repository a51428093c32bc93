#include "exchange/spreadsheetcells.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace rq::exchange {
namespace {

constexpr std::string_view kFormulaStarts = "=+-@";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number as written: its sign, its whole digits without leading zeros and its fraction without
// trailing zeros, the separator given.
struct Decimal {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
};

std::optional<Decimal> decimal(std::string_view text, char separator) {
    Decimal number;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find(separator);
    number.whole = text.substr(0, point);
    number.fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto allDigits = [](std::string_view part) {
        for (const char c : part) {
            if (!isDigit(c)) {
                return false;
            }
        }
        return true;
    };
    if (number.whole.size() + number.fraction.size() == 0 || !allDigits(number.whole) ||
        !allDigits(number.fraction)) {
        return std::nullopt;
    }
    number.whole.remove_prefix(std::min(number.whole.find_first_not_of('0'), number.whole.size()));
    number.fraction = number.fraction.substr(0, number.fraction.find_last_not_of('0') + 1);
    return number;
}

// How a spreadsheet writes the number back in its default format.
std::string shown(const Decimal& number, char separator) {
    const bool zero = number.whole.empty() && number.fraction.empty();
    std::string text = number.negative && !zero ? "-" : "";
    text += number.whole.empty() ? std::string_view("0") : number.whole;
    if (!number.fraction.empty()) {
        text += separator;
        text += number.fraction;
    }
    return text;
}

// A long number shown in exponent form to the digits that fit ("1.23457E+13") stands for the original
// when the original rounds to it.
bool inExponentForm(std::string_view original, std::string_view translation, char separator) {
    const std::size_t e = translation.find_first_of("eE");
    if (e == std::string_view::npos || e + 1 == translation.size()) {
        return false;
    }
    std::string_view exponent = translation.substr(e + 1);
    if (exponent.front() == '+' || exponent.front() == '-') {
        exponent.remove_prefix(1);
    }
    const auto mantissa = decimal(translation.substr(0, e), separator);
    const auto number = decimal(original, separator);
    if (!mantissa || !number || exponent.empty() || exponent.size() > 3 || !decimal(exponent, separator) ||
        exponent.find(separator) != std::string_view::npos) {
        return false;
    }
    const auto value = [separator](std::string_view text) {
        std::string plain(text);
        for (char& c : plain) {
            c = c == separator ? '.' : c;
        }
        return std::strtold(plain.c_str(), nullptr);
    };
    const long double shownValue = value(translation);
    const long double originalValue = value(original);
    const std::size_t digits = std::max<std::size_t>(mantissa->whole.size() + mantissa->fraction.size(), 1);
    const long double step = std::fabs(shownValue) * std::pow(10.0L, 1 - static_cast<long double>(digits));
    return shownValue != 0 && std::fabs(shownValue - originalValue) <= step / 2 * 1.000001L;
}

}  // namespace

std::string_view unprotectedCell(std::string_view cell) {
    const bool marked = cell.size() >= 2 && cell.front() == '\'' &&
                        (kFormulaStarts.find(cell[1]) != std::string_view::npos || cell[1] == '\'');
    return marked ? cell.substr(1) : cell;
}

std::string protectedCell(std::string_view text) {
    const bool formula = !text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos;
    if (formula || unprotectedCell(text).size() != text.size()) {
        return "'" + std::string(text);
    }
    return std::string(text);
}

bool convertedAsNumber(std::string_view original, std::string_view translation) {
    if (original == translation) {
        return false;
    }
    for (const char separator : {'.', ','}) {
        const auto number = decimal(original, separator);
        if ((number && shown(*number, separator) == translation) ||
            inExponentForm(original, translation, separator)) {
            return true;
        }
    }
    return false;
}

}  // namespace rq::exchange
