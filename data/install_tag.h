#pragma once
// The identity of one client folder: it names the per-install preferences
// file, the main window class and the instance lock, so that launchers in
// different folders never share them.

#include <cstdint>
#include <filesystem>
#include <string>

namespace zv {

// FNV-1a over the folder's path text in UTF-16LE, two bytes per character,
// exactly as spelled (no case folding, so "C:\Games" and "c:\games" differ).
// Hashing the Windows form everywhere gives the same identity on every system.
uint32_t installHash(const std::filesystem::path& clientFolder);

// installHash reduced modulo 100000000, in decimal without leading zeros.
std::string makeInstallTag(const std::filesystem::path& clientFolder);

}  // namespace zv
