#pragma once
// Which code page a game's text is in: the player's choice, else a guess from the
// texts of the game's database.
#include "shell/GameConfig.h"

#include <string_view>

namespace kestra {

class TVezDataBase;

// The texts of a database (names, descriptions, terms, the messages and other texts of
// the common events) and the title, weighed by TCodePageGuess.
int GuessCodePage(TVezDataBase& database, std::string_view title);

// config.CodePage when the player chose one, else the guess over the game directory's
// database (KESTRA.ldb in any letter case); 932 when there is none or it cannot be read
// (loading it for the game says why).
int ChooseCodePage(const TGameConfig& config);

} // namespace kestra
