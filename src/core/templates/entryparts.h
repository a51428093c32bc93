#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/iniReadWriteDelete.h"
#include "files/result.h"
#include "templates/gametemplate.h"

// What a template's read puts together of each entry: the table an entry names, what fills its
// room, and where its string lies. For the template read only.
namespace rq::templates::parts {

// A value that breaks its rule; the phrase says why, of the value (of the section, when there is no key).
[[nodiscard]] Error malformed(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view value, const std::string& phrase);

// A yes-or-no key in the section (yes or no, any case), or else the given default: Ended, Lock.
[[nodiscard]] Result<std::optional<bool>> yesOrNoOf(const std::string& path, const files::IniFile& ini,
                                                    std::string_view section, std::string_view key,
                                                    std::optional<bool> otherwise);

// Fill in the section, or else the given default: one byte in hexadecimal digits.
[[nodiscard]] Result<std::optional<std::uint8_t>> fillOf(const std::string& path, const files::IniFile& ini,
                                                         std::string_view section,
                                                         std::optional<std::uint8_t> otherwise);

// A table file as entries use it: refused when it cannot be read or has lines a read cannot use.
[[nodiscard]] Result<std::shared_ptr<const Table>> readTable(const std::string& templatePath,
                                                             const std::string& tablePath);

// The pointer format of a section (Format, Base, Region) over the one it inherits; nothing when neither
// gives a Format.
[[nodiscard]] Result<std::optional<PointerFormat>> pointerFormatOf(
    const std::string& path, const files::IniFile& ini, std::string_view section,
    const std::optional<PointerFormat>& inherited);

// Where an entry's string lies: through the cells of Pointer (HexLocation is then not read), or at
// HexLocation.
[[nodiscard]] Status placeEntry(const std::string& path, const files::IniFile& ini, std::string_view section,
                                const std::optional<PointerFormat>& templateFormat, TemplateEntry& entry);

// [FreeSpace]: Ranges and Fill (FF when not given); no ranges when the section is missing.
[[nodiscard]] Result<FreeSpace> readFreeSpace(const std::string& path, const files::IniFile& ini);

}  // namespace rq::templates::parts
