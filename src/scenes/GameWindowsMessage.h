#pragma once
// The message box: a 320 x 80 window that types up to four lines character by
// character, obeys the control codes embedded in the text, shows a face beside
// it, and ends in a list of choices, a number input or a wait for the player.
// One box serves the field, the event interpreter and the battle.
//
// Codes resolved when a line is added: "\N[n]" actor n's name (0 the party's
// first member), "\V[n]" variable n, "\_" a half space; "\\" stays for the
// typing. Codes obeyed while typing: "\C[n]" colour, "\S[n]" speed, "\!" wait
// for a key, "\$" money box, "\." and "\|" pauses of 15 and 60 frames, "\>" and
// "\<" instant typing on and off, "\^" close without a key. The letter is
// matched in either case; unknown codes are consumed without effect.
#include "base/CodePage.h"
#include "interpreter/LGD_Scripter.h"
#include "scenes/GameWindows.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

// The message options of the game state, read at every BeginMessage.
struct TVezMessageSettings {
    std::int32_t Position = 2; // 0 top, 1 middle, 2 bottom
    bool AvoidsParty = true;
    bool Transparent = false;
    // A face graphic is set and an event's message is showing.
    bool FaceVisible = false;
    bool FaceRight = false;
};

// Reads "[n]" at text[pos]: the longest leading decimal integer up to "]" (or the
// end), saturated to 32 bits, 0 when there is none; pos moves past the "]".
// Without "[" the value is -1 and pos stays. Characters are those of codePage.
std::int32_t ReadBracketNumber(std::string_view text, std::size_t& pos, const TCodePage& codePage);

// Where a field message stands (0 top, 1 middle, 2 bottom): the configured position,
// away from the hero when the box avoids it (heroY: the bottom of the hero's tile on
// the screen).
std::int32_t MessagePositionFor(std::int32_t position, bool avoidsParty, std::int32_t heroY);

// Number inputs have 1 to 9 digits, so every value fits 32 bits.
inline constexpr std::int32_t KMaxNumberDigits = 9;
inline constexpr std::size_t KMessageLines = 4;
// The result before the player has answered.
inline constexpr std::uint8_t KNoMessageResult = 255;

class TVezMessageWindow : public TVezWindow {
public:
    // The box types the game state's names and variables, follows its message
    // options and shows its message face; the game must outlive the window.
    explicit TVezMessageWindow(TGameMain& game);

    // What the interpreter drives.
    bool Present() const { return IsPresent(); }
    int ClosePhase() const { return TVezWindow::ClosePhase; }
    bool AlreadyOpen() const { return AlreadyOpenMark; }
    bool PriceCheck() const { return PriceCheckMark; }
    void ClearPriceCheck() { PriceCheckMark = false; }
    std::uint8_t Result() const { return ResultValue; }
    int LineCount() const { return static_cast<int>(Lines.size()); }
    void BeginMessage();
    void AddLine(const std::string& line);
    void Close() override;

    // Appends "  " + text as a choice; the first choice starts the choice list on
    // the line after the text.
    void AddChoice(const std::string& text);
    // cancelChoice 0: cancel does nothing; otherwise cancel answers cancelChoice - 1.
    // target, when set, receives the answer as well (the caller checks that what it
    // writes to still exists).
    void SetChoiceOptions(std::int32_t cancelChoice, std::function<void(std::uint8_t)> target);
    // digits are limited to 1..9; the variable receives the number on decide.
    void SetNumberInput(std::int32_t digits, std::int32_t variable);
    // Choice 0 may be taken only with at least price money (an inn offer).
    void SetPriceCheck(std::int32_t price);
    void ShowGold();
    // The 48 x 48 cell (index mod 4, index div 4) of a face set file, mirrored on
    // request; an empty path removes the face. A broken file raises an error naming it.
    void SetFacePicture(const std::string& path, std::int32_t index, bool mirrored);
    // The same from a decoded 8-bit face set.
    void SetFaceBitmap(const TKandelBitmap& faceSet, std::int32_t index, bool mirrored);
    void RemoveFace();
    // Takes over the game state's message face when it changed since the last look
    // (BeginMessage looks): the file is looked up in "FaceSet"; an empty or missing
    // name removes the face, a broken file raises an error naming it.
    void RefreshFace();
    bool FaceShown();
    // The field clears it at the start of each of its frames while the box closes.
    void ClearAlreadyOpen() { AlreadyOpenMark = false; }

    void Hide() override;
    void Update() override;
    void Draw() override;

    TVezGoldWindow GoldWindow;
    TKandelSheet Face;
    std::vector<std::string> Lines;
    std::int32_t TypeLine = 0, TypePos = 0, TypeX = 0;
    std::int32_t Position = 2;
    std::int32_t TextColour = 0;
    std::int32_t Speed = 1;
    std::int32_t Wait = 0;
    bool WaitForKey = false;
    bool CloseWithoutKey = false;
    std::int32_t CancelChoice = 0;
    std::function<void(std::uint8_t)> ResultTarget;
    std::uint8_t ResultValue = KNoMessageResult;
    std::int32_t NumberValue = 0, NumberDigits = 0, NumberVariable = 0;
    bool PriceCheckMark = false;
    std::int32_t Price = 0;
    bool AlreadyOpenMark = false;

private:
    TVezMessageSettings Settings();
    // Actor n's name; 0 is the party's first member. Empty when there is none.
    std::string ActorName(std::int32_t id);
    // In a test play, Shift types a page at once.
    bool TestPlayShift();
    bool FaceOnLeft();
    // One pass of the typing; answers false when this frame's typing ends.
    bool TypeUnit(bool& instant);
    void FinishPage();
    void AfterTyping();
    void Answer(std::uint8_t value);
    std::string NumberText() const;
    void DrawNumber();

    bool HasFace = false;
    // The game state's face as last taken over.
    std::string faceName_;
    std::int32_t faceIndex_ = 0;
    bool faceMirrored_ = false;
};

} // namespace kestra
