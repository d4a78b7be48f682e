#include "scenes/GameWindowsMessage.h"

#include "base/CodePage.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"
#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/SceneNumbers.h"
#include "state/LGD_GameState.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kestra {

namespace {

constexpr int KFaceSize = 48;
constexpr int KTextColors = 20;
constexpr int KMaxSpeed = 20;
// Longer expanded lines are cut: the box shows about 50 bytes of a line, and a
// line of many "\N" codes must not grow without bound.
constexpr std::size_t KMaxLineBytes = 4096;
// TypeX stops growing here; everything that far right is skipped anyway.
constexpr std::int32_t KMaxTypeX = 1 << 20;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::int32_t MessagePositionFor(std::int32_t position, bool avoidsParty, std::int32_t heroY) {
    if (avoidsParty && heroY <= 112) return 2;
    if (avoidsParty && heroY > 151) return 0;
    return std::clamp(position, 0, 2);
}

std::string TVezMessageWindow::ActorName(std::int32_t id) {
    const TLcfgGameState& state = Game.State();
    const TLcfgPlayerItem* actor = id == 0 ? state.PartyInfo.Member(0) : state.Actors.Find(id);
    return actor ? actor->GetName() : std::string();
}

bool TVezMessageWindow::TestPlayShift() {
    return Game.Config.TestPlayMode && (Game.Input->Held & KButtonShift) != 0;
}

std::int32_t ReadBracketNumber(std::string_view text, std::size_t& pos, const TCodePage& codePage) {
    if (pos >= text.size() || text[pos] != '[') return -1;
    const std::size_t begin = pos + 1;
    std::size_t end = begin;
    while (end < text.size() && text[end] != ']') end += codePage.CharLength(text, end);
    pos = end < text.size() ? end + 1 : end;

    std::size_t q = begin;
    bool negative = false;
    if (q < end && (text[q] == '-' || text[q] == '+')) negative = text[q++] == '-';
    std::int64_t value = 0;
    bool digits = false;
    constexpr std::int64_t cap = std::int64_t{1} << 32;
    for (; q < end && text[q] >= '0' && text[q] <= '9'; ++q) {
        value = std::min(cap, value * 10 + (text[q] - '0'));
        digits = true;
    }
    if (!digits) return 0;
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

TVezMessageWindow::TVezMessageWindow(TGameMain& game) : TVezWindow(game), GoldWindow(game) {}

TVezMessageSettings TVezMessageWindow::Settings() {
    const TLcfgSystem& s = Game.System();
    TVezMessageSettings settings;
    settings.Position = s.MessagePosition;
    settings.AvoidsParty = s.MessageAvoidsParty;
    settings.Transparent = s.MessageTransparent == 1;
    settings.FaceVisible = s.FaceVisible();
    settings.FaceRight = s.FaceRight != 0;
    return settings;
}

void TVezMessageWindow::RefreshFace() {
    const TLcfgSystem& s = Game.System();
    if (s.FaceGraphic == faceName_ && s.FaceIndex == faceIndex_ && s.FaceMirrored == faceMirrored_)
        return;
    faceName_ = s.FaceGraphic;
    faceIndex_ = s.FaceIndex;
    faceMirrored_ = s.FaceMirrored;
    const auto path = faceName_.empty()
                          ? std::nullopt
                          : Game.Assets->FindAssetFile(faceName_, "FaceSet", KPictureExtensions);
    SetFacePicture(path ? path->string() : std::string(), faceIndex_, faceMirrored_);
}

void TVezMessageWindow::BeginMessage() {
    RefreshFace();
    const TVezMessageSettings settings = Settings();
    Columns = 1;
    if (Game.System().Scene != KSceneField) {
        Position = 2;
        Setup(0, 160, 320, 80, false);
    } else {
        // The hero's place is asked for only when the box avoids it.
        Position = MessagePositionFor(settings.Position, settings.AvoidsParty,
                                      settings.AvoidsParty ? Game.State().Hero.ScreenY() : 0);
        Setup(0, Position * 80, 320, 80, !AlreadyOpenMark);
        AlreadyOpenMark = true;
        if (settings.Transparent) {
            WindowImage.FillArea(WindowImage.GetBounds(), 0);
            BackImage.FillArea(BackImage.GetBounds(), 0);
            WindowImage.Transparent = true;
        }
    }
    Lines.clear();
    Columns = 1;
    ItemCount = 0;
    ContentLeft = 14;
    ItemWidth = Width - 28;
    TypeLine = TypePos = TypeX = 0;
    TextColour = 0;
    Speed = 1;
    Wait = 0;
    WaitForKey = CloseWithoutKey = false;
    CancelChoice = 0;
    ResultTarget = nullptr;
    ResultValue = KNoMessageResult;
    NumberValue = NumberDigits = NumberVariable = 0;
    PriceCheckMark = false;
    Price = 0;
}

void TVezMessageWindow::AddLine(const std::string& text) {
    if (Lines.size() >= KMessageLines) return;
    if (Lines.empty() && text.size() >= 2 && text[0] == '\\' && text[1] == '$') ShowGold();
    std::string out;
    for (std::size_t p = 0; p < text.size() && out.size() < KMaxLineBytes;) {
        const std::size_t n = Game.CodePage.CharLength(text, p);
        if (n == 1 && text[p] == '\\' && p + 1 < text.size()) {
            const char letter = Upper(text[p + 1]);
            if (letter == 'N' || letter == 'V') {
                std::size_t q = p + 2;
                const std::int32_t id = ReadBracketNumber(text, q, Game.CodePage);
                out += letter == 'N' ? ActorName(id) : std::to_string(Game.System().Variable(id));
                p = q;
                continue;
            }
            if (letter == '\\') {
                out += "\\\\";
                p += 2;
                continue;
            }
            if (letter == '_') {
                out += '\x01';
                p += 2;
                continue;
            }
        }
        out.append(text, p, n);
        p += n;
    }
    if (out.size() > KMaxLineBytes) out.resize(KMaxLineBytes);
    Lines.push_back(std::move(out));
}

void TVezMessageWindow::AddChoice(const std::string& text) {
    // A choice that no longer fits on the page is not counted either.
    if (Lines.size() >= KMessageLines) return;
    if (ItemCount == 0) ContentTop = LineCount() * 16 + 8;
    AddLine("  " + text);
    ItemCount += 1;
}

void TVezMessageWindow::SetChoiceOptions(std::int32_t cancelChoice,
                                         std::function<void(std::uint8_t)> target) {
    CancelChoice = std::clamp(cancelChoice, 0, 255);
    ResultTarget = std::move(target);
}

void TVezMessageWindow::SetNumberInput(std::int32_t digits, std::int32_t variable) {
    NumberDigits = std::clamp(digits, 1, KMaxNumberDigits);
    NumberVariable = variable;
    NumberValue = 0;
}

void TVezMessageWindow::SetPriceCheck(std::int32_t price) {
    PriceCheckMark = true;
    Price = price;
}

void TVezMessageWindow::ShowGold() {
    if (Game.System().Scene != KSceneField) return;
    if (GoldWindow.IsPresent() && GoldWindow.ClosePhase == 0) return;
    bool animate = true;
    if (GoldWindow.ClosePhase == 1) {
        GoldWindow.Hide();
        animate = false;
    }
    GoldWindow.Setup(232, Position == 0 ? 208 : 0, 88, 32, animate);
    GoldWindow.Refresh();
}

void TVezMessageWindow::SetFacePicture(const std::string& path, std::int32_t index, bool mirrored) {
    RemoveFace();
    if (path.empty()) return;
    TKandelBitmap bitmap;
    ReadImageFile(path, bitmap);
    try {
        SetFaceBitmap(bitmap, index, mirrored);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(path + ": " + e.what());
    }
}

void TVezMessageWindow::SetFaceBitmap(const TKandelBitmap& faceSet, std::int32_t index,
                                      bool mirrored) {
    RemoveFace();
    const int cell = std::clamp(index, 0, 15);
    Face.SetSize(KFaceSize, KFaceSize);
    Face.LoadFromBitmap(faceSet, KFaceSize * (cell % 4), KFaceSize * (cell / 4));
    if (mirrored) Face.Mirror();
    Face.Transparent = true;
    HasFace = true;
}

void TVezMessageWindow::RemoveFace() {
    HasFace = false;
    Face.FreePixels();
}

bool TVezMessageWindow::FaceShown() {
    return HasFace && Settings().FaceVisible;
}

bool TVezMessageWindow::FaceOnLeft() {
    return Game.System().FaceRight == 0;
}

void TVezMessageWindow::Close() {
    GoldWindow.Close();
    if (Game.System().Scene == KSceneBattle) {
        Hide();
        return;
    }
    TVezWindow::Close();
}

void TVezMessageWindow::Hide() {
    Lines.clear();
    // Whatever the answer was meant for may be gone once the box is.
    ResultTarget = nullptr;
    GoldWindow.Hide();
    AlreadyOpenMark = false;
    TVezWindow::Hide();
}

void TVezMessageWindow::Update() {
    if (!IsPresent()) return;
    TVezWindow::Update();
    GoldWindow.Update();
    if (!IsPresent() || OpenPhase != 8) return;
    if (Wait > 0) {
        Wait -= 1;
        return;
    }
    if (WaitForKey) {
        if ((Game.Input->Pressed & (KButtonDecide | KButtonCancel)) == 0) return;
        WaitForKey = false;
    }
    if (TypeLine < LineCount()) {
        bool instant = TestPlayShift();
        // Every pass consumes at least one byte or ends a line, so this ends.
        while (TypeUnit(instant) && instant) {
        }
        return;
    }
    AfterTyping();
}

bool TVezMessageWindow::TypeUnit(bool& instant) {
    if (TypeLine < 0 || TypeLine >= LineCount()) return false;
    const std::string& line = Lines[static_cast<std::size_t>(TypeLine)];
    const std::size_t size = line.size();
    std::size_t pos = std::min(static_cast<std::size_t>(std::max(TypePos, 0)), size);
    if (pos == 0) instant = TestPlayShift();

    // A backslash at the very end has no code letter and is drawn as it is.
    while (pos + 1 < size && line[pos] == '\\') {
        const char letter = Upper(line[pos + 1]);
        if (letter == 'C' || letter == 'S') {
            std::size_t p = pos + 2;
            const std::int32_t n = ReadBracketNumber(line, p, Game.CodePage);
            if (letter == 'S')
                Speed = std::clamp(n, 1, KMaxSpeed);
            else if (n >= 0 && n < KTextColors)
                TextColour = n;
            pos = p;
            continue;
        }
        if (letter == '\\') {
            pos += 1; // the second backslash is drawn
            break;
        }
        switch (letter) {
        case '!':
            WaitForKey = true;
            break;
        case '$':
            ShowGold();
            break;
        case '.':
            if (!instant) Wait = 15;
            break;
        case '|':
            if (!instant) Wait = 60;
            break;
        case '<':
            instant = false;
            break;
        case '>':
            instant = true;
            break;
        case '^':
            CloseWithoutKey = true;
            break;
        default:
            break;
        }
        if (WaitForKey) FrameCounter = 0;
        // The code is the backslash and one whole character after it.
        pos += 1 + Game.CodePage.CharLength(line, pos + 1);
        TypePos = static_cast<std::int32_t>(pos);
        if (!instant) {
            Wait = std::max(Wait, Speed - 1);
            return false;
        }
    }

    std::size_t length = 0;
    if (pos < size) {
        const char first = line[pos];
        if (Game.CodePage.CharLength(line, pos) == 2)
            length = 2;
        else if (first == '$' && pos + 1 < size &&
                 (line[pos + 1] == '$' || IsLetter(line[pos + 1])))
            length = 2;
        else {
            length = 1;
            // At the fastest speed two single-byte characters go together, but a
            // backslash or a "$" after the first starts the next unit.
            if (Speed <= 1 && pos + 1 < size && line[pos + 1] != '\\' && line[pos + 1] != '$' &&
                Game.CodePage.CharLength(line, pos + 1) == 1)
                length = 2;
        }
        const std::string_view unit(line.data() + pos, length);
        const bool face = FaceShown();
        const bool left = face && FaceOnLeft();
        if (TypeX <= (face ? 226 : 298))
            DrawText(TypeX + (left ? 80 : 8), TypeLine * 16 + 8, true, TextColour, unit);
        int advance = 6 * static_cast<int>(length);
        if (unit == "$$") advance -= 6;
        advance -= 3 * static_cast<int>(std::count(unit.begin(), unit.end(), '\x01'));
        TypeX = std::min(TypeX + advance, KMaxTypeX);
        pos += length;
    }
    if (pos >= size) {
        TypePos = 0;
        TypeX = 0;
        TypeLine += 1;
    } else {
        TypePos = static_cast<std::int32_t>(pos);
    }
    if (TypeLine < LineCount()) {
        if (!instant && Speed >= 2)
            Wait = std::max(Wait, static_cast<std::int32_t>(length) * Speed / 2);
        return true;
    }
    FinishPage();
    return false;
}

void TVezMessageWindow::FinishPage() {
    FrameCounter = 0;
    if (ItemCount > 0) {
        if (FaceShown()) {
            ItemWidth = Width - 100;
            ContentLeft = FaceOnLeft() ? 86 : 14;
        }
        SetCursorActive(true);
    }
    Wait = 1;
}

void TVezMessageWindow::Answer(std::uint8_t value) {
    ResultValue = value;
    if (ResultTarget) ResultTarget(value);
}

std::string TVezMessageWindow::NumberText() const {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", static_cast<int>(NumberDigits),
                  static_cast<int>(NumberValue));
    return buffer;
}

void TVezMessageWindow::AfterTyping() {
    const std::uint16_t pressed = Game.Input->Pressed;
    if (NumberDigits > 0 && !CursorActive) {
        Columns = ItemCount = NumberDigits;
        ContentLeft = FaceShown() && FaceOnLeft() ? 92 : 20;
        ContentTop = LineCount() * 16 + 8;
        ColumnWidth = 12;
        ItemWidth = 6;
        SetCursorActive(true);
    }
    if (!CursorActive) {
        if (CloseWithoutKey || (pressed & (KButtonDecide | KButtonCancel)) != 0) Close();
        return;
    }
    if (NumberDigits == 0) {
        if (pressed & KButtonDecide) {
            if (PriceCheckMark && CursorIndex == 0 && Game.State().PartyInfo.Gold < Price) {
                Game.System().PlaySystemSound(KSoundBuzzer);
                return;
            }
            Game.System().PlaySystemSound(KSoundDecide);
            Answer(static_cast<std::uint8_t>(std::clamp(CursorIndex, 0, 254)));
            Close();
        } else if ((pressed & KButtonCancel) && CancelChoice != 0) {
            Game.System().PlaySystemSound(KSoundCancel);
            Answer(static_cast<std::uint8_t>(CancelChoice - 1));
            Close();
        }
        return;
    }
    std::string digits = NumberText();
    if (CursorIndex >= 0 && CursorIndex < static_cast<int>(digits.size())) {
        const std::uint16_t repeated = Game.Input->Repeated;
        char& digit = digits[static_cast<std::size_t>(CursorIndex)];
        if (repeated & KButtonDown) {
            digit = digit == '0' ? '9' : static_cast<char>(digit - 1);
            Game.System().PlaySystemSound(KSoundCursor);
        }
        if (repeated & KButtonUp) {
            digit = digit == '9' ? '0' : static_cast<char>(digit + 1);
            Game.System().PlaySystemSound(KSoundCursor);
        }
        NumberValue = std::stoi(digits);
    }
    if (pressed & KButtonDecide) {
        Game.System().PlaySystemSound(KSoundDecide);
        Game.System().SetVariable(NumberVariable, NumberValue);
        // The map events' pages follow the variables.
        Game.State().Map.Events.RefreshPages();
        Close();
    }
}

void TVezMessageWindow::DrawNumber() {
    const std::string digits = NumberText();
    const int y = ContentTop;
    // Digits are stamped onto a cleared row, so a changed digit leaves no trace.
    ContentImage.FillArea(TRect{0, y, Width, y + 16}, 0);
    for (std::size_t i = 0; i < digits.size(); ++i)
        DrawText(ContentLeft + 12 * static_cast<int>(i), y, false, 0,
                 std::string_view(digits).substr(i, 1));
    for (int i = 0; i < static_cast<int>(digits.size()); ++i) DrawCell(i, i == CursorIndex);
}

void TVezMessageWindow::Draw() {
    if (!IsPresent()) return;
    if (NumberDigits > 0 && CursorActive) DrawNumber();
    TVezWindow::Draw();
    if (OpenPhase == 8) {
        TKandelBoard& board = Game.Board();
        if (FaceShown())
            board.DrawSheet(X + (FaceOnLeft() ? 16 : 256), Y + 16, Face.GetBounds(), Face);
        if (!CursorActive && NumberDigits == 0 && (FrameCounter / 20) % 2 == 0 &&
            (WaitForKey || TypeLine >= LineCount()) && !CloseWithoutKey)
            Game.SystemGraphic().DrawDownArrow(board, X + Width / 2 - 8, Y + Height - 8);
    }
    GoldWindow.Draw();
}

} // namespace kestra
