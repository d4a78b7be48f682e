#pragma once
// The shop: the player buys the wares an event offers and sells items of the
// inventory, with a quantity window, the party's walking graphics telling who can use
// or wear the selected item (and whether wearing it would make them stronger), and
// the money box. Prices are worked out in 64-bit arithmetic and the money stays within
// 0..999999, so a negative price never creates money beyond the limit.
//
// Entering: Open(setup) on the game's scene (the Open shop command). Leaving: the
// scene fades out and sets the scene byte to the field.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

namespace kestra {

class TGameMain;
class TLcfgGameState;
class TLcfgPlayerItem;
class TVezItemItem;

// What a shop is opened with.
struct TVezShopSetup {
    // 0 buy and sell, 1 buy only, 2 sell only (other values: buy and sell).
    std::int32_t Kind = 0;
    // Which of the vocabulary's three shop message sets; another number shows no
    // texts.
    std::int32_t MessageSet = 0;
    std::vector<std::int32_t> Wares;
    // Receives 1 when the shop opens and 0 once something was bought or sold.
    std::function<void(std::uint8_t)> ResultTarget;
};

// The texts of a message set, in their order.
enum TShopText : int {
    KShopGreeting,
    KShopGreetingAgain,
    KShopBuy,
    KShopSell,
    KShopLeave,
    KShopBuyPrompt,
    KShopBuyQuantity,
    KShopBought,
    KShopSellPrompt,
    KShopSellQuantity,
    KShopSold,
    KShopTextCount
};
// The vocabulary term of text `text` of message set `set`; 0 for a set outside 0..2.
std::int32_t ShopTextTerm(std::int32_t set, int text);

// Pieces that may be bought: at most 99 held, no more than the money pays for (any
// number up to the cap when the price is below 1).
std::int32_t ShopBuyMaximum(std::int32_t price, std::int32_t gold, std::int32_t held);

// The wares, one column: name and price, greyed when the money does not reach the
// price or 99 are held.
class TVezShopBuyItemWindow : public TVezWindow {
public:
    TVezShopBuyItemWindow(TGameMain& game, const std::vector<std::int32_t>& wares);
    void Fill();
    std::int32_t Selected() const;
    void DrawItem(int x, int y, int index) override;

private:
    const std::vector<std::int32_t>& Wares;
};

// The inventory, two columns: name and count, greyed when the item has no price.
class TVezShopSellItemWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void Fill();
    std::int32_t Selected() const;
    void DrawItem(int x, int y, int index) override;
};

// How many: the item, the quantity (1..Maximum, by the direction keys: right and left
// one, up and down ten) and the total price.
class TVezShopItemNumberWindow : public TVezWindow {
public:
    using TVezWindow::TVezWindow;
    void Start(std::int32_t item, std::int32_t maximum, bool selling);
    // The price the window shows for the quantity: price x quantity, or half of that
    // when selling.
    std::int64_t ShownTotal() const;
    void Refresh() override;
    void Update() override;

    std::int32_t Item = 0;
    std::int32_t Quantity = 1;
    std::int32_t Maximum = 1;
    bool Selling = false;
};

class TVezShopScene : public TVezScene {
public:
    // The game must outlive the scene.
    explicit TVezShopScene(TGameMain& game);

    // Runs the shop from the next frame.
    void Open(TVezShopSetup setup);

    enum TScreen : int {
        KScreenChoice = 0,
        KScreenBuyList = 1,
        KScreenBuyQuantity = 2,
        KScreenBought = 3,
        KScreenSellList = 4,
        KScreenSellQuantity = 5,
        KScreenSold = 6,
    };
    // Frames a confirmation stays before the list returns.
    static constexpr int KConfirmFrames = 30;

    void Reset() override;
    void Update() override;
    void Draw() override;

    // The selected item's place in the party panel: 0 wearing it would make the member
    // stronger, 1 no change, 2 weaker, 3 already worn; -1 not equipment or not
    // wearable by the member.
    int EquipMarker(TLcfgPlayerItem& member, const TVezItemItem& item) const;
    // The member's item list allows the item (a shield not for a member with two
    // weapons).
    bool Allows(const TLcfgPlayerItem& member, const TVezItemItem& item) const;

    TVezShopSetup Inputs;
    bool Shown = false;
    int Screen = KScreenChoice;
    bool Returning = false; // the choice screen shows the greeting for coming back
    int Pause = 0;
    std::int32_t SoldItem = 0;

    TVezHelpWindow Help;
    TVezWindow EmptyPanel;
    TVezWindow Message;
    TVezShopBuyItemWindow BuyList;
    TVezShopSellItemWindow SellList;
    TVezShopItemNumberWindow Number;
    TVezWindow PartyPanel;
    TVezWindow CountPanel;
    TVezGoldWindow Gold;

private:
    void Enter();
    void Leave();
    void HideAll();
    void ChangeScreen(int screen);
    void ShowText(int text);
    void SetupChoice();
    void UpdateChoice();
    void UpdateBuyList();
    void UpdateBuyQuantity();
    void UpdateSellList();
    void CancelList();
    void UpdateSellQuantity();
    void UpdateConfirmation();
    // The item the help line, the count panel and the party panel follow.
    std::int32_t FollowedItem() const;
    void FollowItem();
    void DrawCounts(std::int32_t item);
    void DrawParty();
    void WriteResult(std::uint8_t value);
    std::string Text(int text) const;
    bool FaceShown();
    int TextX();
    void PlaySystemSound(int which);

    TGameMain& Game;
    TLcfgGameState& State;
    std::int32_t followed_ = -1;
};

} // namespace kestra
