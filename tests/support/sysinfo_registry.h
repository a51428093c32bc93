#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <utility>

#include "files/common.h"

namespace rq::test {

// The two registry values the system-information lookup reads, put there by a test and removed after. A
// machine that has either value of its own is not touched: mine() says so, and the test skips.
class SysInfoRegistry {
  public:
    SysInfoRegistry() {
        for (const auto& [key, name] : kValues) {
            if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS) {
                m_machines = true;
            }
        }
        HKEY location = nullptr;
        m_locationKeyWasThere =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLocationKey, 0, KEY_QUERY_VALUE, &location) == ERROR_SUCCESS;
        RegCloseKey(location);
    }
    ~SysInfoRegistry() {
        if (m_machines) {
            return;
        }
        clear();
        if (!m_locationKeyWasThere) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLocationKey);
        }
    }
    SysInfoRegistry(const SysInfoRegistry&) = delete;
    SysInfoRegistry& operator=(const SysInfoRegistry&) = delete;

    [[nodiscard]] bool mine() const { return !m_machines; }
    void clear() const {
        for (const auto& [key, name] : kValues) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name);
        }
    }
    // The program's path, and the folder that holds MSINFO32.EXE, as RegSetValueExW stores them: UTF-16,
    // with or without the terminating zero.
    [[nodiscard]] bool putPath(const std::string& utf8, bool zero = true) const {
        return put(kInfoKey, L"PATH", utf8, zero);
    }
    [[nodiscard]] bool putFolder(const std::string& utf8, bool zero = true) const {
        return put(kLocationKey, L"MSINFO", utf8, zero);
    }

  private:
    static constexpr const wchar_t* kInfoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr const wchar_t* kLocationKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";
    static constexpr std::pair<const wchar_t*, const wchar_t*> kValues[] = {{kInfoKey, L"PATH"},
                                                                            {kLocationKey, L"MSINFO"}};

    static bool put(const wchar_t* key, const wchar_t* name, const std::string& utf8, bool zero) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const std::wstring text = files::fsPath(utf8).native();
        const auto bytes = static_cast<DWORD>((text.size() + (zero ? 1 : 0)) * sizeof(wchar_t));
        const bool done = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                         bytes) == ERROR_SUCCESS;
        RegCloseKey(opened);
        return done;
    }

    bool m_machines = false;
    bool m_locationKeyWasThere = false;
};

}  // namespace rq::test
#endif
