#pragma once
// The screenshot key: the 320 x 240 board as the player sees it, written as a PNG
// into the pictures folder, named after the game's folder and the local time.
#include "graphics/KandelBoard.h"
#include "shell/GameConfig.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kestra {

// $XDG_PICTURES_DIR/kestra when the variable holds an absolute path, else the
// XDG_PICTURES_DIR line of $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config;
// "$HOME/..." or an absolute path in quotes), else ~/Pictures/kestra. Empty when
// none of them can be known (no HOME).
std::filesystem::path ScreenshotFolder(const TEnvLookup& env);

// The folder of the XDG_PICTURES_DIR line of a user-dirs.dirs text ("$HOME/..." or an
// absolute path in quotes); empty when it has none that can be used.
std::filesystem::path PicturesDirFromUserDirs(std::string_view text, const std::string& home);

// "<game>-YYYY-MM-DD-hhmmss" for a time given as days since 30 December 1899 with the
// time of day as the fraction (the platform's save time stamp).
std::string ScreenshotBaseName(std::string_view game, double dayCount);

// Writes the board to folder/<baseName>.png, or <baseName>-2.png, -3.png, ... when
// that name is taken, creating the folder. Answers the file written; raises
// EFileError naming the folder or the file when it cannot.
std::filesystem::path WriteScreenshot(const TKandelBoard& board,
                                      const std::filesystem::path& folder,
                                      std::string_view baseName);

} // namespace kestra
