#include "scenes/LS_Settings.h"

#include "media/MultiInput.h"
#include "shell/GameMain.h"
#include "state/LGD_System.h"

#include <algorithm>

namespace kestra {

namespace {

constexpr int KTitleHeight = 32;
constexpr int KValueColumn = 120;
// Characters of a value that fit between its column and the window's frame.
constexpr std::size_t KValueChars = 30;

const char* const KLabels[KLineFirstButton] = {"Screen", "Window size", "Scaling", "Music volume",
                                               "Sound volume"};

std::string RowText(const TKeyTable& table, int row) {
    std::string text;
    for (TKeyCode key : table[static_cast<std::size_t>(row)])
        if (key != TKeyCode::None)
            text += (text.empty() ? "" : " ") + std::string(KeyCodeName(key));
    return text.empty() ? "-" : text;
}

// Drops `key` from every key row but `keepRow` and from every hot key but `keepHot`;
// false (nothing changed) when a row would be left without keys.
bool TakeKeyAway(TSettings& s, TKeyCode key, int keepRow, int keepHot) {
    if (key == TKeyCode::None) return true;
    for (int row = 0; row < KBindableButtons; ++row) {
        if (row == keepRow) continue;
        auto& slots = s.Keys[static_cast<std::size_t>(row)];
        const auto others = std::count_if(slots.begin(), slots.end(), [key](TKeyCode k) {
            return k != TKeyCode::None && k != key;
        });
        if (std::find(slots.begin(), slots.end(), key) != slots.end() && others == 0) return false;
    }
    for (int row = 0; row < KBindableButtons; ++row) {
        if (row == keepRow) continue;
        auto& slots = s.Keys[static_cast<std::size_t>(row)];
        auto end = std::remove(slots.begin(), slots.end(), key);
        std::fill(end, slots.end(), TKeyCode::None);
    }
    for (int hot = 0; hot < KHotKeyCount; ++hot)
        if (hot != keepHot && s.HotKeys[static_cast<std::size_t>(hot)] == TableKey(key))
            s.HotKeys[static_cast<std::size_t>(hot)] = {};
    return true;
}

} // namespace

std::string TVezSettingsScreen::MainTitle() const {
    return "Settings   (Cancel or " + SettingsKeyName() + ": back to the game)";
}

std::string TVezSettingsScreen::SettingsKeyName() const {
    return BoundKeyName(
        Game.Settings->Current().HotKeys[static_cast<std::size_t>(THotKey::Settings)]);
}

std::string TVezSettingsList::ValueText(int line) const {
    const TSettings& s = Settings;
    switch (line) {
    case KLineScreen:
        return Game.Display->FullScreen() ? "< Full screen >" : "< Window >";
    case KLineScale:
        return "< " + std::to_string(s.Scale) + "x >";
    case KLineScaling:
        return s.Fit ? "< Fit to the window >" : "< Whole pixels >";
    case KLineMusicVolume:
        return "< " + std::to_string(s.MusicVolume) + " >";
    case KLineSoundVolume:
        return "< " + std::to_string(s.SoundVolume) + " >";
    default:
        break;
    }
    if (line >= KLineFirstButton && line < KLineFirstHotKey)
        return RowText(s.Keys, line - KLineFirstButton);
    if (line >= KLineFirstHotKey && line < KLineDefaultKeys) {
        const TBoundKey key = s.HotKeys[static_cast<std::size_t>(line - KLineFirstHotKey)];
        return key.Empty() ? "-" : BoundKeyName(key);
    }
    return {};
}

void TVezSettingsList::DrawItem(int x, int y, int index) {
    std::string label;
    if (index < KLineFirstButton)
        label = KLabels[index];
    else if (index < KLineFirstHotKey)
        label =
            "Key: " + std::string(KButtonNames[static_cast<std::size_t>(index - KLineFirstButton)]);
    else if (index < KLineDefaultKeys)
        label = "Key: " + std::string(HotKeyName(static_cast<THotKey>(index - KLineFirstHotKey)));
    else if (index == KLineDefaultKeys)
        label = "Default keys";
    else
        label = "Back";
    DrawText(x, y, false, 0, label);
    std::string value = ValueText(index);
    if (value.size() > KValueChars) value = value.substr(0, KValueChars - 3) + "...";
    if (!value.empty())
        DrawText(x + KValueColumn, y, false, index < KLineFirstButton ? 0 : 1, value);
}

TVezSettingsScreen::TVezSettingsScreen(TGameMain& game)
    : Game(game), title_(game), list_(game, edited_) {
    backdrop_.SetSize(320, 240);
}

void TVezSettingsScreen::PlaySound(int which) {
    Game.System().PlaySystemSound(which);
}

void TVezSettingsScreen::SetTitle(const std::string& text) {
    title_.SetText(text);
}

void TVezSettingsScreen::Enter() {
    edited_ = Game.Settings->Current();
    TKandelBoard& board = Game.Board();
    brightness_ = board.Brightness;
    backdrop_.CopyBoard(0, 0, board.GetBounds(), board);
    title_.Setup(0, 0, 320, KTitleHeight, false);
    SetTitle(MainTitle());
    list_.Setup(0, KTitleHeight, 320, 240 - KTitleHeight, false);
    list_.ItemCount = KSettingsLineCount;
    list_.Refresh();
    list_.SetCursorIndex(0);
    list_.SetCursorActive(true);
    waiting_ = -1;
    open_ = true;
    PlaySound(KSoundDecide);
}

void TVezSettingsScreen::Leave() {
    PlaySound(KSoundCancel);
    title_.Hide();
    list_.Hide();
    open_ = false;
    TKandelBoard& board = Game.Board();
    board.CopyBoard(0, 0, backdrop_.GetBounds(), backdrop_);
    board.Brightness = brightness_;
}

void TVezSettingsScreen::Run() {
    Enter();
    // The keys of the screen are not the window's: F4 pressed to be bound must not also
    // switch the screen.
    const bool hotKeys = Game.Display->HotKeysEnabled;
    Game.Display->HotKeysEnabled = false;
    Game.Input->Flush();
    while (open_) {
        Game.Input->Update();
        Update();
        if (!open_) break;
        Draw();
        Game.Display->Present();
        Game.Display->WaitFrame();
    }
    Game.Display->HotKeysEnabled = hotKeys;
    Game.Input->Flush();
    Game.Display->ResetTiming();
}

void TVezSettingsScreen::Commit() {
    const TSettings before = Game.Settings->Current();
    Game.Settings->Change(edited_);
    Game.ApplySettings(before);
    edited_ = Game.Settings->Current();
    const int cursor = list_.CursorIndex, top = list_.TopRow;
    list_.Refresh();
    list_.SetTopRow(top);
    list_.SetCursorIndex(cursor);
}

TBoundKey TVezSettingsScreen::KeyPressed() const {
    const TInputSample& s = Game.Input->LastSample;
    IInputDevice& device = Game.Input->Device();
    for (int n = 1; n <= 12; ++n)
        if (device.FunctionKeyPressed(n)) return FunctionKey(n);
    for (int k = 1; k < static_cast<int>(TKeyCode::Count); ++k)
        if (s.KeysWentDown & KeyBit(static_cast<TKeyCode>(k)))
            return TableKey(static_cast<TKeyCode>(k));
    return {};
}

bool TVezSettingsScreen::Bind(int line, TBoundKey key) {
    TSettings s = edited_;
    if (line >= KLineFirstButton && line < KLineFirstHotKey) {
        const int row = line - KLineFirstButton;
        if (key.Function != 0 || key.Key == TKeyCode::None) {
            SetTitle("A button takes a key, not " + BoundKeyName(key));
            return false;
        }
        if (!TakeKeyAway(s, key.Key, row, -1)) {
            SetTitle(BoundKeyName(key) + " is another button's only key");
            return false;
        }
        s.Keys[static_cast<std::size_t>(row)] = {key.Key};
    } else if (line >= KLineFirstHotKey && line < KLineDefaultKeys) {
        const int hot = line - KLineFirstHotKey;
        if (key.Function == 0 && !TakeKeyAway(s, key.Key, -1, hot)) {
            SetTitle(BoundKeyName(key) + " is a button's only key");
            return false;
        }
        for (int other = 0; other < KHotKeyCount; ++other)
            if (other != hot && s.HotKeys[static_cast<std::size_t>(other)] == key)
                s.HotKeys[static_cast<std::size_t>(other)] = {};
        s.HotKeys[static_cast<std::size_t>(hot)] = key;
    } else {
        return false;
    }
    edited_ = s;
    Commit();
    SetTitle(MainTitle());
    return true;
}

void TVezSettingsScreen::Change(int line, int step) {
    switch (line) {
    case KLineScreen:
        edited_.FullScreen = !Game.Display->FullScreen();
        Game.Display->SetFullScreen(*edited_.FullScreen);
        break;
    case KLineScale:
        edited_.Scale =
            (edited_.Scale - KMinWindowScale + step + KMaxWindowScale) % KMaxWindowScale +
            KMinWindowScale;
        break;
    case KLineScaling:
        edited_.Fit = !edited_.Fit;
        break;
    case KLineMusicVolume:
        edited_.MusicVolume = std::clamp(edited_.MusicVolume + step * KVolumeStep, 0, 100);
        break;
    case KLineSoundVolume:
        edited_.SoundVolume = std::clamp(edited_.SoundVolume + step * KVolumeStep, 0, 100);
        break;
    default:
        return;
    }
    PlaySound(KSoundCursor);
    Commit();
}

void TVezSettingsScreen::Update() {
    if (!open_) Enter();
    title_.Update();
    if (waiting_ >= 0) {
        const TBoundKey key = KeyPressed();
        if (key.Empty()) return;
        const int line = waiting_;
        waiting_ = -1;
        list_.SetCursorActive(true);
        if (key == Game.Settings->Current().HotKeys[static_cast<std::size_t>(THotKey::Settings)]) {
            PlaySound(KSoundCancel);
            SetTitle(MainTitle());
            return;
        }
        if (Bind(line, key))
            PlaySound(KSoundDecide);
        else
            PlaySound(KSoundBuzzer);
        return;
    }
    list_.Update();
    const TMultiInput& input = *Game.Input;
    const int line = list_.CursorIndex;
    if (input.HotKeyPressed(THotKey::Settings) || (input.Pressed & KButtonCancel)) {
        Leave();
        return;
    }
    if (line < KLineFirstButton && (input.Repeated & (KButtonLeft | KButtonRight))) {
        Change(line, (input.Repeated & KButtonRight) ? 1 : -1);
        return;
    }
    if (!(input.Pressed & KButtonDecide)) return;
    if (line < KLineFirstButton) {
        Change(line, 1);
    } else if (line < KLineDefaultKeys) {
        PlaySound(KSoundDecide);
        waiting_ = line;
        list_.SetCursorActive(false);
        const std::string name =
            line < KLineFirstHotKey
                ? std::string(KButtonNames[static_cast<std::size_t>(line - KLineFirstButton)])
                : std::string(HotKeyName(static_cast<THotKey>(line - KLineFirstHotKey)));
        SetTitle("Press the key for " + name + "   (" + SettingsKeyName() + ": keep the old one)");
    } else if (line == KLineDefaultKeys) {
        PlaySound(KSoundDecide);
        const TSettings defaults;
        edited_.Keys = defaults.Keys;
        edited_.HotKeys = defaults.HotKeys;
        edited_.Gamepad = defaults.Gamepad;
        Commit();
    } else {
        Leave();
    }
}

void TVezSettingsScreen::Draw() {
    TKandelBoard& board = Game.Board();
    board.CopyBoard(0, 0, backdrop_.GetBounds(), backdrop_);
    board.Brightness = 100;
    title_.Draw();
    list_.Draw();
}

} // namespace kestra
