#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program icon: one 32 x 32, 16-colour image with an AND mask, encoded
// as a complete .ico file.
std::vector<uint8_t> DrawIcon(const std::string& fontDir);
