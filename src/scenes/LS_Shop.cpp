#include "scenes/LS_Shop.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "base/CodePage.h"
#include "data/DataBase.h"
#include "graphics/GR_CharSet.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

constexpr double KShopFade = 20;
// The first vocabulary term of each message set.
constexpr std::array<std::int32_t, 3> KShopSetTerms{0x29, 0x36, 0x43};
constexpr std::int32_t KTermHeld = 0x5C, KTermWorn = 0x5D, KTermCurrency = 0x5F;
// A full-width colon and a multiplication sign.
constexpr const char* KColon = "\x81\x46";
constexpr const char* KTimes = "\x81\x7e";
constexpr int KFaceTop = 176;

std::string Format(const char* pattern, std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<long long>(value));
    return buffer;
}

// At most `bytes` bytes of `text`, never half a double-byte character.
std::string CutText(const std::string& text, std::size_t bytes, const TCodePage& codePage) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = codePage.CharLength(text, end);
        if (end + n > bytes) break;
        end += n;
    }
    return text.substr(0, end);
}

const TVezItemItem* FindItem(const TLcfgGameState& state, std::int32_t id) {
    return id > 0 ? state.DataBase().Items.Find(id) : nullptr;
}

} // namespace

std::int32_t ShopTextTerm(std::int32_t set, int text) {
    if (set < 0 || set > 2 || text < 0 || text >= KShopTextCount) return 0;
    return KShopSetTerms[static_cast<std::size_t>(set)] + text;
}

std::int32_t ShopBuyMaximum(std::int32_t price, std::int32_t gold, std::int32_t held) {
    const std::int32_t room = std::max(0, KMaxItemAmount - held);
    if (price < 1) return room;
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::max(gold, 0) / price, room));
}

// ---- the wares

TVezShopBuyItemWindow::TVezShopBuyItemWindow(TGameMain& game,
                                             const std::vector<std::int32_t>& wares)
    : TVezWindow(game), Wares(wares) {}

void TVezShopBuyItemWindow::Fill() {
    ItemCount = std::max<std::int32_t>(1, static_cast<std::int32_t>(Wares.size()));
    Refresh();
    SetCursorIndex(CursorIndex);
    SetCursorActive(true);
}

std::int32_t TVezShopBuyItemWindow::Selected() const {
    if (CursorIndex < 0 || CursorIndex >= static_cast<int>(Wares.size())) return 0;
    return Wares[static_cast<std::size_t>(CursorIndex)];
}

void TVezShopBuyItemWindow::DrawItem(int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(Wares.size())) return;
    const TLcfgGameState& state = Game.State();
    const std::int32_t id = Wares[static_cast<std::size_t>(index)];
    const TVezItemItem* item = FindItem(state, id);
    if (item == nullptr) return;
    const bool refused =
        item->Price > state.PartyInfo.Gold || state.PartyInfo.ItemAmount(id) >= KMaxItemAmount;
    const int color = refused ? 3 : 0;
    DrawText(x, y, false, color, item->Name);
    DrawText(x + 132, y, false, color, Format("%6lld", item->Price));
}

// ---- the inventory

void TVezShopSellItemWindow::Fill() {
    ItemCount = Game.State().PartyInfo.ItemCount();
    Refresh();
    SetCursorIndex(CursorIndex);
    SetCursorActive(true);
}

std::int32_t TVezShopSellItemWindow::Selected() const {
    const TLcfgPartyInfo& party = Game.State().PartyInfo;
    if (CursorIndex < 0 || CursorIndex >= party.ItemCount()) return 0;
    return party.ItemIdAt(CursorIndex);
}

void TVezShopSellItemWindow::DrawItem(int x, int y, int index) {
    const TLcfgGameState& state = Game.State();
    const TVezItemItem* item = FindItem(state, state.PartyInfo.ItemIdAt(index));
    if (item == nullptr) return;
    const int color = item->Price <= 0 ? 3 : 0;
    DrawText(x, y, false, color, item->Name);
    DrawText(x + 120, y, false, color,
             KColon + Format("%2lld", state.PartyInfo.ItemAmountAt(index)));
}

// ---- the quantity

void TVezShopItemNumberWindow::Start(std::int32_t item, std::int32_t maximum, bool selling) {
    Item = item;
    Maximum = std::max(1, maximum);
    Quantity = 1;
    Selling = selling;
    ContentLeft = 158;
    ContentTop = 40;
    ItemWidth = 12;
    ItemCount = 1;
    CursorIndex = 0;
    Refresh();
    SetCursorActive(true);
}

std::int64_t TVezShopItemNumberWindow::ShownTotal() const {
    const TVezItemItem* item = FindItem(Game.State(), Item);
    const std::int64_t total = static_cast<std::int64_t>(item ? item->Price : 0) * Quantity;
    return Selling ? total / 2 : total;
}

void TVezShopItemNumberWindow::Refresh() {
    TVezWindow::Refresh();
    const TVezItemItem* item = FindItem(Game.State(), Item);
    if (item == nullptr) return;
    const std::string& currency = Game.State().DataBase().Vocabulary.Term(KTermCurrency);
    const int length = static_cast<int>(currency.size());
    DrawText(8, 40, true, 0, item->Name);
    DrawText(140, 40, true, 0, KTimes);
    DrawText(158, 40, true, 0, Format("%2lld", Quantity));
    DrawText(140 - 6 * length, 72, true, 0, Format("%6lld", ShownTotal()));
    DrawText(176 - 6 * length, 72, true, 1, currency);
    DrawCell(CursorIndex, true);
}

void TVezShopItemNumberWindow::Update() {
    TVezWindow::Update();
    if (!IsOpen() || Item == 0) return;
    const std::uint16_t keys = Game.Input->Repeated;
    std::int32_t quantity = Quantity;
    if (keys & KButtonRight) quantity += 1;
    if (keys & KButtonLeft) quantity -= 1;
    if (keys & KButtonUp) quantity += 10;
    if (keys & KButtonDown) quantity -= 10;
    quantity = std::clamp(quantity, 1, Maximum);
    if (quantity == Quantity) return;
    Quantity = quantity;
    Game.System().PlaySystemSound(KSoundCursor);
    Refresh();
}

// ---- the scene

TVezShopScene::TVezShopScene(TGameMain& game)
    : TVezScene(game), Help(game), EmptyPanel(game), Message(game), BuyList(game, Inputs.Wares),
      SellList(game), Number(game), PartyPanel(game), CountPanel(game), Gold(game), Game(game),
      State(game.State()) {}

void TVezShopScene::Open(TVezShopSetup setup) {
    Inputs = std::move(setup);
    Shown = false;
    Game.System().Scene = KSceneShop;
}

void TVezShopScene::Reset() {
    TVezScene::Reset();
    HideAll();
    Inputs.Kind = Inputs.MessageSet = 0;
    Inputs.Wares.clear();
    Inputs.ResultTarget = nullptr;
    Shown = false;
    Screen = KScreenChoice;
    Returning = false;
    Pause = 0;
    SoldItem = 0;
    followed_ = -1;
}

void TVezShopScene::HideAll() {
    for (TVezWindow* w :
         std::initializer_list<TVezWindow*>{&Help, &EmptyPanel, &Message, &BuyList, &SellList,
                                            &Number, &PartyPanel, &CountPanel, &Gold})
        w->Hide();
}

void TVezShopScene::PlaySystemSound(int which) {
    State.System.PlaySystemSound(which);
}

void TVezShopScene::WriteResult(std::uint8_t value) {
    if (Inputs.ResultTarget) Inputs.ResultTarget(value);
}

std::string TVezShopScene::Text(int text) const {
    const std::int32_t term = ShopTextTerm(Inputs.MessageSet, text);
    if (term == 0) return {};
    const std::string& words = State.DataBase().Vocabulary.Term(term);
    return CutText(words, Game.Session->MessageWindow.FaceShown() ? 38 : 50, Game.CodePage);
}

bool TVezShopScene::FaceShown() {
    return Game.Session->MessageWindow.FaceShown();
}

int TVezShopScene::TextX() {
    return FaceShown() && State.System.FaceRight == 0 ? 80 : 8;
}

void TVezShopScene::Enter() {
    HideAll();
    Host.Board().Clear();
    Game.Session->MessageWindow.RefreshFace();
    Help.SetupAndRefresh(0, 0, 320, 32, false);
    EmptyPanel.SetupAndRefresh(0, 32, 320, 128, false);
    Message.SetupAndRefresh(0, 160, 320, 80, false);
    BuyList.Columns = 1;
    BuyList.Setup(0, 32, 184, 128, false);
    BuyList.Fill();
    SellList.Columns = 2;
    SellList.Setup(0, 32, 320, 128, false);
    SellList.Fill();
    Number.Item = 0;
    Number.SetupAndRefresh(0, 32, 184, 128, false);
    PartyPanel.SetupAndRefresh(184, 32, 136, 48, false);
    CountPanel.SetupAndRefresh(184, 80, 136, 48, false);
    Gold.SetupAndRefresh(184, 128, 136, 32, false);
    // The walking graphics of the party panel.
    TVezCharSetGraphic& sprites = Game.Session->Unit.CharSetGraphic();
    for (std::int32_t i = 0; i < State.PartyInfo.MemberCount(); ++i)
        if (const TLcfgPlayerItem* member = State.PartyInfo.Member(i))
            if (!member->WalkGraphic().Name.empty()) sprites.Use(member->WalkGraphic().Name);
    Shown = true;
    Returning = false;
    Pause = 0;
    followed_ = -1;
    ChangeScreen(Inputs.Kind == 1   ? KScreenBuyList
                 : Inputs.Kind == 2 ? KScreenSellList
                                    : KScreenChoice);
    WriteResult(1);
    FadeIn(KShopFade);
}

void TVezShopScene::Leave() {
    FadeOut(KShopFade);
    Host.Board().Clear();
    Reset();
    State.System.Scene = KSceneField;
}

void TVezShopScene::ShowText(int text) {
    Message.SetCursorVisible(false);
    Message.ItemCount = 0;
    Message.Refresh();
    Message.DrawText(TextX(), 8, true, 0, Text(text));
}

void TVezShopScene::SetupChoice() {
    const bool face = FaceShown();
    Message.ItemCount = 3;
    Message.ContentLeft = TextX() + 6;
    Message.ItemWidth = face ? 220 : 292;
    Message.ContentTop = 24;
    Message.Refresh();
    Message.DrawText(TextX(), 8, true, 0, Text(Returning ? KShopGreetingAgain : KShopGreeting));
    for (int k = 0; k < 3; ++k)
        Message.DrawText(TextX(), 24 + 16 * k, true, 0, "  " + Text(KShopBuy + k));
    Message.SetCursorIndex(Message.CursorIndex);
    Message.SetCursorActive(true);
}

void TVezShopScene::ChangeScreen(int screen) {
    Screen = screen;
    switch (screen) {
    case KScreenChoice:
        Help.SetText("");
        SetupChoice();
        break;
    case KScreenBuyList:
        ShowText(KShopBuyPrompt);
        BuyList.Fill();
        followed_ = -1;
        FollowItem();
        break;
    case KScreenSellList:
        ShowText(KShopSellPrompt);
        SellList.Fill();
        followed_ = -1;
        FollowItem();
        break;
    case KScreenBuyQuantity:
        ShowText(KShopBuyQuantity);
        break;
    case KScreenSellQuantity:
        ShowText(KShopSellQuantity);
        break;
    default:
        break;
    }
}

std::int32_t TVezShopScene::FollowedItem() const {
    switch (Screen) {
    case KScreenBuyList:
        return BuyList.Selected();
    case KScreenSellList:
        return SellList.Selected();
    case KScreenBuyQuantity:
    case KScreenBought:
    case KScreenSellQuantity:
    case KScreenSold:
        return Number.Item;
    default:
        return 0;
    }
}

void TVezShopScene::FollowItem() {
    const std::int32_t id = FollowedItem();
    if (id == followed_) return;
    followed_ = id;
    const TVezItemItem* item = FindItem(State, id);
    Help.SetText(item ? item->Description : std::string());
    DrawCounts(id);
}

void TVezShopScene::DrawCounts(std::int32_t item) {
    const TVezVocabulary& words = State.DataBase().Vocabulary;
    CountPanel.Refresh();
    CountPanel.DrawText(8, 8, true, 1, words.Term(KTermHeld));
    CountPanel.DrawText(8, 24, true, 1, words.Term(KTermWorn));
    CountPanel.DrawText(116, 8, true, 0, Format("%2lld", State.PartyInfo.ItemAmount(item)));
    CountPanel.DrawText(116, 24, true, 0, Format("%2lld", State.PartyInfo.Equipped(item)));
}

void TVezShopScene::Update() {
    if (!Shown) {
        Enter();
        return;
    }
    Help.Update();
    Message.Update();
    Gold.Update();
    switch (Screen) {
    case KScreenChoice:
        UpdateChoice();
        break;
    case KScreenBuyList:
        UpdateBuyList();
        break;
    case KScreenBuyQuantity:
        UpdateBuyQuantity();
        break;
    case KScreenSellList:
        UpdateSellList();
        break;
    case KScreenSellQuantity:
        UpdateSellQuantity();
        break;
    default:
        UpdateConfirmation();
        break;
    }
}

void TVezShopScene::UpdateChoice() {
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        PlaySystemSound(KSoundDecide);
        switch (Message.CursorIndex) {
        case 0:
            ChangeScreen(KScreenBuyList);
            break;
        case 1:
            ChangeScreen(KScreenSellList);
            break;
        default:
            Leave();
            break;
        }
    } else if (pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        Leave();
    }
}

// Cancel on a list: a buy-only or sell-only shop is left, otherwise back to the choice.
void TVezShopScene::CancelList() {
    PlaySystemSound(KSoundCancel);
    if (Inputs.Kind == 1 || Inputs.Kind == 2) {
        Leave();
        return;
    }
    Returning = true;
    ChangeScreen(KScreenChoice);
}

void TVezShopScene::UpdateBuyList() {
    BuyList.Update();
    FollowItem();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        const std::int32_t id = BuyList.Selected();
        const TVezItemItem* item = FindItem(State, id);
        const std::int32_t held = State.PartyInfo.ItemAmount(id);
        if (item == nullptr || item->Price > State.PartyInfo.Gold || held >= KMaxItemAmount) {
            PlaySystemSound(KSoundBuzzer);
            return;
        }
        PlaySystemSound(KSoundDecide);
        Number.Start(id, ShopBuyMaximum(item->Price, State.PartyInfo.Gold, held), false);
        ChangeScreen(KScreenBuyQuantity);
    } else if (pressed & KButtonCancel) {
        CancelList();
    }
}

void TVezShopScene::UpdateBuyQuantity() {
    Number.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        PlaySystemSound(KSoundDecide);
        const TVezItemItem* item = FindItem(State, Number.Item);
        const std::int64_t price = item ? item->Price : 0;
        State.PartyInfo.LoseGold(price * Number.Quantity);
        State.PartyInfo.GainItem(Number.Item, Number.Quantity);
        ShowText(KShopBought);
        Gold.Refresh();
        DrawCounts(Number.Item);
        BuyList.Refresh();
        WriteResult(0);
        Screen = KScreenBought;
        Pause = KConfirmFrames;
    } else if (pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        ChangeScreen(KScreenBuyList);
    }
}

void TVezShopScene::UpdateSellList() {
    SellList.Update();
    FollowItem();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        const std::int32_t id = SellList.Selected();
        const TVezItemItem* item = FindItem(State, id);
        if (item == nullptr || item->Price == 0 || State.PartyInfo.ItemAmount(id) <= 0) {
            PlaySystemSound(KSoundBuzzer);
            return;
        }
        PlaySystemSound(KSoundDecide);
        SoldItem = id;
        Number.Start(id, State.PartyInfo.ItemAmount(id), true);
        ChangeScreen(KScreenSellQuantity);
    } else if (pressed & KButtonCancel) {
        CancelList();
    }
}

void TVezShopScene::UpdateSellQuantity() {
    Number.Update();
    const std::uint16_t pressed = Game.Input->Pressed;
    if (pressed & KButtonDecide) {
        PlaySystemSound(KSoundDecide);
        const TVezItemItem* item = FindItem(State, Number.Item);
        // Each piece brings half its price (the window shows half of the whole sum).
        const std::int64_t half = item ? item->Price / 2 : 0;
        State.PartyInfo.GainGold(half * Number.Quantity);
        State.PartyInfo.LoseItem(Number.Item, Number.Quantity);
        ShowText(KShopSold);
        Gold.Refresh();
        DrawCounts(Number.Item);
        SellList.Fill();
        WriteResult(0);
        Screen = KScreenSold;
        Pause = KConfirmFrames;
    } else if (pressed & KButtonCancel) {
        PlaySystemSound(KSoundCancel);
        ChangeScreen(KScreenSellList);
    }
}

void TVezShopScene::UpdateConfirmation() {
    if (--Pause > 0) return;
    ChangeScreen(Screen == KScreenBought ? KScreenBuyList : KScreenSellList);
}

bool TVezShopScene::Allows(const TLcfgPlayerItem& member, const TVezItemItem& item) const {
    if (!item.UsableBy(member.Id)) return false;
    return !(item.Kind == 2 && member.TwoWeapons());
}

int TVezShopScene::EquipMarker(TLcfgPlayerItem& member, const TVezItemItem& item) const {
    const int slot = item.EquipmentSlot();
    if (slot < 0 || !Allows(member, item) || !member.CanEquip(slot, item.Id)) return -1;
    const auto& worn = member.Equipment;
    if (std::find(worn.begin(), worn.end(), item.Id) != worn.end()) return 3;
    auto strength = [&member] {
        return static_cast<std::int64_t>(member.Attack()) + member.Defence() +
               member.Intelligence() + member.Agility();
    };
    const std::int64_t now = strength();
    std::int64_t best = std::numeric_limits<std::int64_t>::min();
    const auto saved = member.Equipment;
    for (int tried : {slot, 1}) {
        if (tried == 1 && tried != slot && !(item.IsWeapon() && member.TwoWeapons())) continue;
        member.SetEquipmentRaw(tried, item.Id);
        best = std::max(best, strength());
        member.Equipment = saved;
    }
    return best > now ? 0 : best < now ? 2 : 1;
}

void TVezShopScene::DrawParty() {
    const TVezItemItem* item = FindItem(State, FollowedItem());
    TKandelBoard& board = Host.Board();
    TVezCharSetGraphic& sprites = Game.Session->Unit.CharSetGraphic();
    TVezSystemGraphic& system = Game.SystemGraphic();
    const std::int32_t counter = State.System.FrameCount;
    const int walk = static_cast<int>(static_cast<std::uint32_t>(counter) / 12 % 4);
    const int blink = static_cast<int>(static_cast<std::uint32_t>(counter) / 8 % 4);
    for (std::int32_t i = 0; i < std::min<std::int32_t>(State.PartyInfo.MemberCount(), 4); ++i) {
        TLcfgPlayerItem* member = State.PartyInfo.Member(i);
        if (member == nullptr) continue;
        const bool allowed = item != nullptr && Allows(*member, *item);
        const TLcfgPlayerItem::TGraphic graphic = member->WalkGraphic();
        // A member who cannot use the item stands still in grey.
        // A missing character set raises, naming it; a member without one shows none.
        const int index = graphic.Name.empty() ? -1 : sprites.Use(graphic.Name);
        sprites.Level = graphic.Transparency;
        sprites.Greyscale = !allowed;
        sprites.DrawCharacter(board, 212 + 32 * i, 68, 0, allowed ? walk : 1, 2, graphic.Index,
                              index);
        sprites.Greyscale = false;
        sprites.Level = 0;
        if (item == nullptr) continue;
        const int marker = EquipMarker(*member, *item);
        if (marker >= 0) system.DrawGaugePiece(board, 208 + 32 * i, 60, blink, marker);
    }
}

void TVezShopScene::Draw() {
    TKandelBoard& board = Host.Board();
    const TRgbQuad bg = Game.SystemGraphic().BackgroundColor();
    board.FillRect(board.GetBounds(), bg.Red, bg.Green, bg.Blue);
    Help.Draw();
    switch (Screen) {
    case KScreenChoice:
        EmptyPanel.Draw();
        break;
    case KScreenSellList:
        SellList.Draw();
        break;
    default:
        if (Screen == KScreenBuyList)
            BuyList.Draw();
        else
            Number.Draw();
        PartyPanel.Draw();
        DrawParty();
        CountPanel.Draw();
        Gold.Draw();
        break;
    }
    Message.Draw();
    if (FaceShown()) {
        TKandelSheet& face = Game.Session->MessageWindow.Face;
        board.DrawSheet(State.System.FaceRight != 0 ? 256 : 16, KFaceTop, face.GetBounds(), face);
    }
}

} // namespace kestra
