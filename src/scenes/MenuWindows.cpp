#include "scenes/MenuWindows.h"

#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

#include <algorithm>
#include <cstdio>

namespace kestra {

namespace {

std::string Format(const char* pattern, std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<long long>(value));
    return buffer;
}

// Vocabulary terms of the menu's windows.
enum : int {
    KTermHeld = 0x5C,
    KTermExperience = 0x7F,
    KTermLevelShort = 0x80,
    KTermHpShort = 0x81,
    KTermMpShort = 0x82,
    KTermMpCost = 0x83,
    KTermAttack = 0x84,
    KTermWeapon = 0x88,
    KTermShield = 0x89,
    KTermArmour = 0x8A,
    KTermHelmet = 0x8B,
    KTermAccessory = 0x8C,
    KTermEndQuestion = 0x97,
    KTermEndYes = 0x98,
    KTermEndNo = 0x99,
};

std::string Term(const TLcfgGameState& game, int chunk) {
    return game.DataBase().Vocabulary.Term(chunk);
}

int TextWidth(const std::string& text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), 1000)) * 6;
}

// The effective attack, defence, intelligence and agility.
std::array<std::int32_t, 4> EffectiveParameters(const TLcfgPlayerItem& actor) {
    return {actor.Attack(), actor.Defence(), actor.Intelligence(), actor.Agility()};
}

} // namespace

// --- faces

TKandelSheet* TVezMenuFaces::Sheet(const std::string& name) {
    auto found = Sheets.find(name);
    if (found != Sheets.end()) return found->second.get();
    auto sheet = std::make_unique<TKandelSheet>();
    const std::string path = Finder ? Finder(name) : std::string();
    sheet->AutoSize = true;
    // A missing or broken face leaves an empty sheet: the row is shown without it.
    if (!path.empty()) sheet->LoadFromFile(path, false);
    sheet->Transparent = true;
    return Sheets.emplace(name, std::move(sheet)).first->second.get();
}

void TVezMenuFaces::Draw(TKandelBoard& board, int x, int y, const TLcfgPlayerItem& actor) {
    const TLcfgPlayerItem::TGraphic face = actor.Face();
    if (face.Name.empty()) return;
    TKandelSheet* sheet = Sheet(face.Name);
    if (sheet == nullptr || sheet->Width() <= 0) return;
    const int index = std::clamp(face.Index, 0, 15);
    const int left = (index % 4) * 48, top = (index / 4) * 48;
    const TRect cell{left, top, std::min(left + 48, sheet->Width()),
                     std::min(top + 48, sheet->Height())};
    if (cell.Empty()) return;
    board.DrawSheet(x, y, cell, *sheet);
}

// --- party list

TVezMenuStatusWindow1::TVezMenuStatusWindow1(TGameMain& game, TVezMenuFaces& faces)
    : TVezWindow(game), State(game.State()), Faces(faces) {}

void TVezMenuStatusWindow1::SetupAndFill() {
    Setup(88, 0, 232, 240, false);
    Fill();
}

void TVezMenuStatusWindow1::Fill() {
    const TLcfgPartyInfo& party = State.PartyInfo;
    ContentLeft = 64;
    ItemWidth = 160;
    ItemHeight = 48;
    RowHeight = KMenuRowHeight;
    VisibleRows = party.MemberCount();
    ItemCount = party.MemberCount();
    CursorIndex = std::clamp(CursorIndex, 0, std::max(0, ItemCount - 1));
    TVezWindow::Refresh();
    for (int k = 0; k < party.MemberCount(); ++k) {
        const TLcfgPlayerItem* a = party.Member(k);
        if (a == nullptr) continue;
        const int t = KMenuRowHeight * k;
        DrawText(64, t + 8, true, 0, a->GetName());
        DrawText(152, t + 8, true, 0, a->GetTitle());
        DrawText(64, t + 24, true, 1, Term(State, KTermLevelShort));
        DrawText(64, t + 40, true, 1, Term(State, KTermExperience));
        DrawText(170, t + 24, true, 1, Term(State, KTermHpShort));
        DrawText(170, t + 40, true, 1, Term(State, KTermMpShort));
        DrawText(76, t + 24, true, 0, Format("%2lld", a->Level));
        DrawText(106, t + 24, true, a->StateColour(), a->StateText());
        if (a->Level >= a->MaxReachableLevel())
            DrawText(76, t + 40, true, 0, "------/------");
        else
            DrawText(76, t + 40, true, 0,
                     Format("%6lld", a->Experience) + Format("/%6lld", a->ExpForNextLevel()));
        DrawText(182, t + 24, true, a->HPColour(), Format("%3lld", a->HP));
        DrawText(182, t + 40, true, a->MPColour(), Format("%3lld", a->MP));
        DrawText(200, t + 24, true, 0, Format("/%3lld", a->MaxHP()));
        DrawText(200, t + 40, true, 0, Format("/%3lld", a->MaxMP()));
    }
    if (CursorVisible) DrawCell(CursorIndex, true);
}

void TVezMenuStatusWindow1::Draw() {
    TVezWindow::Draw();
    if (!IsOpen()) return;
    const TLcfgPartyInfo& party = State.PartyInfo;
    for (int k = 0; k < party.MemberCount(); ++k)
        if (const TLcfgPlayerItem* a = party.Member(k))
            Faces.Draw(Game.Board(), X + 8, Y + KMenuRowHeight * k + 8, *a);
}

// --- target list

TVezMenuStatusWindow2::TVezMenuStatusWindow2(TGameMain& game, TVezMenuFaces& faces)
    : TVezWindow(game), TitleBox(game), CountBox(game), State(game.State()), Faces(faces) {}

void TVezMenuStatusWindow2::SetupFor(std::int32_t itemId, std::int32_t skillId, TCover cover,
                                     int userRow) {
    ItemId = itemId;
    SkillId = skillId;
    TitleBox.Setup(0, 0, 136, 32, false);
    CountBox.Setup(0, 32, 136, 32, false);
    Setup(136, 0, 184, 240, false);
    const int members = State.PartyInfo.MemberCount();
    ContentLeft = 64;
    ItemWidth = 112;
    ItemHeight = 48;
    RowHeight = KMenuRowHeight;
    VisibleRows = members;
    ItemCount = members;
    if (cover == TCover::All) {
        ItemCount = std::min(members, 1);
        ItemHeight = std::max(members * KMenuRowHeight - 10, 0);
    } else if (cover == TCover::User) {
        ItemCount = std::min(members, 1);
        ContentTop = KMenuRowHeight * std::clamp(userRow, 0, std::max(members - 1, 0)) + 8;
    }
    Refresh();
    SetCursorActive(true);
}

void TVezMenuStatusWindow2::FillBoxes() {
    TitleBox.TVezWindow::Refresh();
    CountBox.TVezWindow::Refresh();
    const TVezDataBase& db = State.DataBase();
    if (ItemId != 0) {
        const auto* item = db.Items.Find(ItemId);
        TitleBox.DrawText(8, 8, true, 0, item ? item->Name : std::string());
        CountBox.DrawText(8, 8, true, 1, Term(State, KTermHeld));
        CountBox.DrawText(116, 8, true, 0, Format("%2lld", State.PartyInfo.ItemAmount(ItemId)));
    } else {
        const auto* skill = db.Skills.Find(SkillId);
        TitleBox.DrawText(8, 8, true, 0, skill ? skill->Name : std::string());
        CountBox.DrawText(8, 8, true, 1, Term(State, KTermMpCost));
        CountBox.DrawText(110, 8, true, 0, Format("%3lld", skill ? skill->MpCost : 0));
    }
}

void TVezMenuStatusWindow2::Refresh() {
    if (!IsPresent()) return;
    // The rows lie at fixed places; only the cursor cell moves over them.
    const int contentTop = ContentTop;
    ContentTop = 8;
    const int itemHeight = ItemHeight;
    TVezWindow::Refresh();
    const TLcfgPartyInfo& party = State.PartyInfo;
    for (int k = 0; k < party.MemberCount(); ++k) {
        const TLcfgPlayerItem* a = party.Member(k);
        if (a == nullptr) continue;
        const int t = KMenuRowHeight * k;
        DrawText(64, t + 8, true, 0, a->GetName());
        DrawText(64, t + 24, true, 1, Term(State, KTermLevelShort));
        DrawText(76, t + 24, true, 0, Format("%2lld", a->Level));
        DrawText(122, t + 24, true, 1, Term(State, KTermHpShort));
        DrawText(122, t + 40, true, 1, Term(State, KTermMpShort));
        DrawText(64, t + 40, true, a->StateColour(), a->StateText());
        DrawText(134, t + 24, true, a->HPColour(), Format("%3lld", a->HP));
        DrawText(134, t + 40, true, a->MPColour(), Format("%3lld", a->MP));
        DrawText(152, t + 24, true, 0, Format("/%3lld", a->MaxHP()));
        DrawText(152, t + 40, true, 0, Format("/%3lld", a->MaxMP()));
    }
    ContentTop = contentTop;
    ItemHeight = itemHeight;
    if (TitleBox.IsPresent()) FillBoxes();
    if (CursorVisible) DrawCell(CursorIndex, true);
}

void TVezMenuStatusWindow2::Hide() {
    TitleBox.Hide();
    CountBox.Hide();
    TVezWindow::Hide();
}

void TVezMenuStatusWindow2::Draw() {
    TVezWindow::Draw();
    TitleBox.Draw();
    CountBox.Draw();
    if (!IsOpen()) return;
    const TLcfgPartyInfo& party = State.PartyInfo;
    for (int k = 0; k < party.MemberCount(); ++k)
        if (const TLcfgPlayerItem* a = party.Member(k))
            Faces.Draw(Game.Board(), X + 8, Y + KMenuRowHeight * k + 8, *a);
}

// --- teleport destinations

TVezTeleportWindow::TVezTeleportWindow(TGameMain& game) : TVezWindow(game), State(game.State()) {}

void TVezTeleportWindow::SetupAndFill() {
    Columns = 2;
    Setup(0, 160, 320, 80, false);
    ItemCount = std::max<std::int32_t>(0, static_cast<std::int32_t>(State.Teleport.Count()) - 1);
    Refresh();
    SetCursorActive(true);
}

void TVezTeleportWindow::DrawItem(int x, int y, int index) {
    const auto entry = static_cast<std::size_t>(index) + 1;
    if (index < 0 || entry >= State.Teleport.Count() || State.Env.MapTree == nullptr) return;
    const auto* map = State.Env.MapTree->Find(State.Teleport.Destination(entry).MapId);
    if (map != nullptr) DrawText(x, y, false, 0, map->Name);
}

// --- equipment

void TVezEquipSubWindow1::Refresh() {
    TVezWindow::Refresh();
    DrawText(8, 8, true, 0, Name);
    for (int p = 0; p < 4; ++p) {
        const int y = 24 + 16 * p;
        const auto i = static_cast<std::size_t>(p);
        DrawText(8, y, true, 1, Terms[i]);
        DrawText(68, y, true, 0, Format("%3lld", Now[i]));
        DrawText(86, y, true, 1, "->");
        if (ShowPreview) {
            const int color = Preview[i] > Now[i] ? 2 : Preview[i] < Now[i] ? 3 : 0;
            DrawText(98, y, true, color, Format("%3lld", Preview[i]));
        }
    }
}

void TVezEquipSubWindow2::Refresh() {
    TVezWindow::Refresh();
    for (int s = 0; s < 5; ++s) {
        const auto i = static_cast<std::size_t>(s);
        DrawText(8, 8 + 16 * s, true, 1, SlotTerms[i]);
        DrawText(68, 8 + 16 * s, true, 0, Items[i]);
    }
    if (CursorVisible) DrawCell(CursorIndex, true);
}

TVezEquipWindow::TVezEquipWindow(TGameMain& game)
    : TVezWindow(game), Help(game), Parameters(game), Slots(game), State(game.State()) {}

TLcfgPlayerItem* TVezEquipWindow::Actor() const {
    return State.Actors.Find(ActorId_);
}

void TVezEquipWindow::SetupForActor(std::int32_t actorId) {
    ActorId_ = actorId;
    Columns = 2;
    Help.Setup(0, 0, 320, 32, false);
    Parameters.Setup(0, 32, 124, 96, false);
    Slots.Setup(124, 32, 196, 96, false);
    Slots.ItemCount = 5;
    Setup(0, 128, 320, 112, false);
    ListSlot = -1;
    Refill();
    Slots.SetCursorActive(true);
    UpdateHelp();
}

void TVezEquipWindow::Refill() {
    FillParameters(false);
    FillSlots();
    FillList();
    UpdateHelp();
}

void TVezEquipWindow::FillParameters(bool preview) {
    const TLcfgPlayerItem* actor = Actor();
    for (int p = 0; p < 4; ++p)
        Parameters.Terms[static_cast<std::size_t>(p)] = Term(State, KTermAttack + p);
    Parameters.Name = actor ? actor->GetName() : std::string();
    if (!preview && actor) Parameters.Now = EffectiveParameters(*actor);
    Parameters.ShowPreview = preview && actor;
    if (Parameters.ShowPreview) Parameters.Preview = EffectiveParameters(*actor);
    Parameters.Refresh();
}

void TVezEquipWindow::FillSlots() {
    const TLcfgPlayerItem* actor = Actor();
    const bool two = actor && actor->TwoWeapons();
    Slots.SlotTerms = {Term(State, KTermWeapon), Term(State, two ? KTermWeapon : KTermShield),
                       Term(State, KTermArmour), Term(State, KTermHelmet),
                       Term(State, KTermAccessory)};
    for (int s = 0; s < 5; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const auto* item = actor ? State.DataBase().Items.Find(actor->Equipment[i]) : nullptr;
        Slots.Items[i] = item ? item->Name : std::string();
    }
    Slots.Refresh();
}

void TVezEquipWindow::FillList() {
    const TLcfgPlayerItem* actor = Actor();
    ListSlot = Slots.CursorIndex;
    const int cursor = CursorIndex;
    const bool active = CursorActive;
    TopRow = 0;
    ItemCount = actor && !actor->EquipmentLocked() ? actor->EquipCandidateCount(ListSlot) : 0;
    Refresh();
    if (active) {
        SetCursorIndex(cursor);
        SetCursorActive(true);
    }
}

std::int32_t TVezEquipWindow::Candidate() const {
    const TLcfgPlayerItem* actor = Actor();
    if (actor == nullptr || CursorIndex < 0 || CursorIndex >= ItemCount) return 0;
    return actor->EquipCandidate(Slots.CursorIndex, CursorIndex);
}

void TVezEquipWindow::DrawItem(int x, int y, int index) {
    const TLcfgPlayerItem* actor = Actor();
    // The last entry takes the item off and shows nothing.
    if (actor == nullptr || index >= ItemCount - 1) return;
    const std::int32_t id = actor->EquipCandidate(ListSlot, index);
    const auto* item = State.DataBase().Items.Find(id);
    if (item == nullptr) return;
    DrawText(x, y, false, 0, item->Name);
    DrawText(x + 120, y, false, 0, Format(": %2lld", State.PartyInfo.ItemAmount(id)));
}

void TVezEquipWindow::ShowPreview(bool on) {
    FillParameters(on);
}

void TVezEquipWindow::UpdateHelp() {
    std::int32_t id = 0;
    if (CursorActive) {
        id = Candidate();
    } else if (const TLcfgPlayerItem* actor = Actor()) {
        const int slot = std::clamp(Slots.CursorIndex, 0, 4);
        id = actor->Equipment[static_cast<std::size_t>(slot)];
    }
    const auto* item = id > 0 ? State.DataBase().Items.Find(id) : nullptr;
    Help.SetText(item ? item->Description : std::string());
}

void TVezEquipWindow::Update() {
    const int slot = Slots.CursorIndex;
    Slots.Update();
    TVezWindow::Update();
    Help.Update();
    Parameters.Update();
    // Moving the slot cursor shows that slot's candidates.
    if (Slots.CursorIndex != slot && !CursorActive) FillList();
    if (IsOpen()) UpdateHelp();
}

void TVezEquipWindow::Draw() {
    TVezWindow::Draw();
    Help.Draw();
    Parameters.Draw();
    Slots.Draw();
}

void TVezEquipWindow::Hide() {
    Help.Hide();
    Parameters.Hide();
    Slots.Hide();
    TVezWindow::Hide();
}

// --- end game

TVezEndWindow::TVezEndWindow(TGameMain& game)
    : TVezWindow(game), Question(game), State(game.State()) {}

void TVezEndWindow::SetupAndFill() {
    const std::string question = Term(State, KTermEndQuestion);
    const std::string yes = Term(State, KTermEndYes), no = Term(State, KTermEndNo);
    const int qw = TextWidth(question) + 16;
    const int cw = std::max(TextWidth(yes), TextWidth(no)) + 16;
    Question.Setup(160 - qw / 2, 72, qw, 32, false);
    Question.DrawText(8, 8, true, 0, question);
    Setup(160 - cw / 2, 120, cw, 48, false);
    ItemCount = 2;
    DrawText(8, 8, true, 0, yes);
    DrawText(8, 24, true, 0, no);
    SetCursorActive(true);
}

void TVezEndWindow::Hide() {
    Question.Hide();
    TVezWindow::Hide();
}

void TVezEndWindow::Update() {
    Question.Update();
    TVezWindow::Update();
}

void TVezEndWindow::Draw() {
    Question.Draw();
    TVezWindow::Draw();
}

} // namespace kestra
