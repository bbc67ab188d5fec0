#pragma once

// The station speaks UTF-8; Windows' wide calls speak UTF-16.

#include <string>

namespace nerivo {

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& utf16);

} // namespace nerivo
