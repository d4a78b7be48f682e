#include "interpreter/LGD_ScripterParty.h"

#include <algorithm>
#include <limits>

#include "base/Errors.h"
#include "base/Random.h"
#include "base/Saturate.h"
#include "data/DataBase.h"
#include "interpreter/LGD_Scripter.h"
#include "media/Tonica.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/SceneNumbers.h"
#include "state/LGD_Character.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {

std::int32_t At(const std::vector<std::int32_t>& p, std::size_t i) {
    return i < p.size() ? p[i] : 0;
}

// Command selector p0 of Change system music: battle, victory, inn, boat, ship,
// airship, game over (the title music is not reachable).
constexpr int KSystemMusicSelectors = 7;
constexpr int KUnequipAll = 5;
constexpr int KFadeStep = 3;
// Transition numbers stored by Change screen transition; 255 marks "no override".
constexpr std::int32_t KMaxTransitionNumber = 254;

TVezMusic MusicFrom(const std::string& name, std::int32_t fadeIn, std::int32_t volume,
                    std::int32_t tempo, std::int32_t balance) {
    TVezMusic m;
    m.Name = name;
    m.FadeIn = fadeIn;
    m.Volume = volume;
    m.Tempo = tempo;
    m.Balance = balance;
    return m;
}

TVezSound SoundFrom(const std::string& name, std::int32_t volume, std::int32_t tempo,
                    std::int32_t balance) {
    TVezSound s;
    s.Name = name;
    s.Volume = volume;
    s.Tempo = tempo;
    s.Balance = balance;
    return s;
}

} // namespace

void TakeLeaderSprite(TLcfgCharacter& hero, const TLcfgPartyInfo& party) {
    const auto* leader = party.Member(0);
    if (leader == nullptr) {
        hero.SpriteName.clear();
        hero.SpriteIndex = 0;
        return;
    }
    auto walk = leader->WalkGraphic();
    hero.SpriteName = walk.Name;
    hero.SpriteIndex = walk.Index;
    hero.Transparency = walk.Transparency;
}

std::int32_t CommandValue(const TLcfgGameState& game, std::int32_t kind, std::int32_t n) {
    switch (kind) {
    case 0:
        return n;
    case 1:
        return game.System.Variable(n);
    default:
        return 0;
    }
}

std::vector<TLcfgPlayerItem*> CommandTargets(TLcfgGameState& game, std::int32_t selector,
                                             std::int32_t n) {
    std::vector<TLcfgPlayerItem*> targets;
    const auto& party = game.PartyInfo;
    switch (selector) {
    case 0:
        for (std::int32_t i = 0; i < party.MemberCount(); ++i)
            if (auto* m = party.Member(i)) targets.push_back(m);
        break;
    case 1:
    case 2:
        if (party.MemberCount() > 0)
            targets.push_back(&game.Actors.Get(selector == 1 ? n : game.System.Variable(n)));
        break;
    default:
        break;
    }
    return targets;
}

bool CheckPartyDefeated(TGameMain& main) {
    const TLcfgGameState& game = main.Session->Save->State;
    if (game.System.Scene != KSceneField) return false;
    const auto& party = game.PartyInfo;
    bool anyone = false;
    for (std::int32_t i = 0; i < party.MemberCount(); ++i) {
        const auto* m = party.Member(i);
        if (m == nullptr) continue;
        if (m->IsAlive()) return false;
        anyone = true;
    }
    if (!anyone) return false;
    scripter::Field(main).PartyDefeated();
    return true;
}

// ---- helpers ----

TLcfgPartyCommands::TLcfgPartyCommands(TGameMain& game)
    : Main(game), Game(game.Session->Save->State), Random(game.Random()) {}

void TLcfgPartyCommands::Notice(const std::string& line) {
    Main.Session->MessagePool.Push(line);
}

void TLcfgPartyCommands::RefreshPages() {
    Game.Map.Events.RefreshPages();
}

void TLcfgPartyCommands::LeaderSpriteChanged() {
    TakeLeaderSprite(Game.Hero, Game.PartyInfo);
}

std::int32_t TLcfgPartyCommands::Value(std::int32_t kind, std::int32_t n) const {
    return CommandValue(Game, kind, n);
}

TLcfgPlayerItem& TLcfgPartyCommands::Actor(std::int32_t id) const {
    return Game.Actors.Get(id);
}

void TLcfgPartyCommands::TakeDamage(TLcfgPlayerItem& actor, std::int64_t amount, bool mayKill) {
    actor.Damage(amount, mayKill);
}

const std::vector<std::int32_t>& TLcfgPartyCommands::Codes() {
    static const std::vector<std::int32_t> KCodes = {
        10310, 10320, 10330, 10410, 10420, 10430, 10440, 10450, 10460, 10470,
        10480, 10490, 10500, 10610, 10620, 10630, 10640, 10650, 10660, 10670,
        10680, 10690, 11510, 11520, 11530, 11540, 11550, 12420, 12510,
    };
    return KCodes;
}

bool TLcfgPartyCommands::Run(std::int32_t code, const std::vector<std::int32_t>& p,
                             const std::string& text) {
    switch (code) {
    case 10310:
        ChangeMoney(p);
        break;
    case 10320:
        ChangeItems(p);
        break;
    case 10330:
        ChangePartyMembers(p);
        break;
    case 10410:
        ChangeExperience(p);
        break;
    case 10420:
        ChangeLevel(p);
        break;
    case 10430:
        ChangeParameters(p);
        break;
    case 10440:
        ChangeSkills(p);
        break;
    case 10450:
        ChangeEquipment(p);
        break;
    case 10460:
        ChangeHP(p);
        break;
    case 10470:
        ChangeSP(p);
        break;
    case 10480:
        ChangeCondition(p);
        break;
    case 10490:
        FullRecovery(p);
        break;
    case 10500:
        InflictDamage(p);
        break;
    case 10610:
        ChangeActorName(p, text);
        break;
    case 10620:
        ChangeActorTitle(p, text);
        break;
    case 10630:
        ChangeActorSprite(p, text);
        break;
    case 10640:
        ChangeActorFace(p, text);
        break;
    case 10650:
        ChangeVehicleGraphic(p, text);
        break;
    case 10660:
        ChangeSystemMusic(p, text);
        break;
    case 10670:
        ChangeSystemSound(p, text);
        break;
    case 10680:
        ChangeSystemGraphic(p, text);
        break;
    case 10690:
        ChangeScreenTransition(p);
        break;
    case 11510:
        PlayMusic(p, text);
        break;
    case 11520:
        FadeOutMusic(p);
        break;
    case 11530:
        MemorizeMusic();
        break;
    case 11540:
        PlayMemorizedMusic();
        break;
    case 11550:
        PlaySound(p, text);
        break;
    case 12420:
        GameOver();
        break;
    case 12510:
        ReturnToTitle();
        break;
    default:
        return false;
    }
    return true;
}

// ---- party, money, items ----

void TLcfgPartyCommands::ChangeMoney(const std::vector<std::int32_t>& p) {
    std::int32_t amount = Value(At(p, 1), At(p, 2));
    switch (At(p, 0)) {
    case 0:
        Game.PartyInfo.GainGold(amount);
        break;
    case 1:
        Game.PartyInfo.LoseGold(amount);
        break;
    default:
        break;
    }
}

void TLcfgPartyCommands::ChangeItems(const std::vector<std::int32_t>& p) {
    std::int32_t item = Value(At(p, 1), At(p, 2));
    std::int32_t count = Value(At(p, 3), At(p, 4));
    auto& party = Game.PartyInfo;
    switch (At(p, 0)) {
    case 0:
        if (item == 0 || count <= 0) return;
        Game.DataBase().Items.Get(item);
        party.GainItem(item, count);
        break;
    case 1:
        // Nothing to take away from what is not held, whether or not the item exists.
        if (count <= 0 || party.ItemAmount(item) <= 0) return;
        party.LoseItem(item, count);
        break;
    default:
        return;
    }
    RefreshPages();
}

void TLcfgPartyCommands::ChangePartyMembers(const std::vector<std::int32_t>& p) {
    std::int32_t actor = Value(At(p, 1), At(p, 2));
    auto& party = Game.PartyInfo;
    switch (At(p, 0)) {
    case 0:
        if (party.MemberCount() >= KMaxPartySize || party.Contains(actor)) return;
        Actor(actor);
        party.AddMember(actor);
        break;
    case 1:
        party.RemoveMember(actor);
        break;
    default:
        return;
    }
    LeaderSpriteChanged();
    RefreshPages();
    CheckPartyDefeated(Main);
}

// ---- actors ----

void TLcfgPartyCommands::ChangeExperience(const std::vector<std::int32_t>& p) {
    std::int32_t amount = Value(At(p, 3), At(p, 4));
    std::int32_t mode = At(p, 2);
    bool announce = At(p, 5) != 0;
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode == 0) {
            std::vector<std::string> lines;
            actor->GainExperience(amount, announce ? &lines : nullptr);
            for (const auto& line : lines) Notice(line);
        } else if (mode == 1) {
            actor->LoseExperience(amount);
        }
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeLevel(const std::vector<std::int32_t>& p) {
    std::int32_t amount = Value(At(p, 3), At(p, 4));
    std::int32_t mode = At(p, 2);
    bool announce = At(p, 5) != 0;
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode == 0) {
            std::vector<std::string> lines;
            std::int64_t goal = actor->ExpForLevel(SatAdd(actor->Level, amount));
            actor->GainExperience(goal - actor->Experience, announce ? &lines : nullptr);
            for (const auto& line : lines) Notice(line);
        } else if (mode == 1) {
            std::int64_t target = std::max<std::int64_t>(1, SatSub(actor->Level, amount));
            actor->LoseExperience(static_cast<std::int64_t>(actor->Experience) -
                                  actor->ExpForLevel(target));
        }
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeParameters(const std::vector<std::int32_t>& p) {
    std::int64_t amount = Value(At(p, 4), At(p, 5));
    std::int32_t mode = At(p, 2);
    std::int32_t param = At(p, 3);
    if (mode == 1) amount = -amount;
    bool valid = (mode == 0 || mode == 1) && param >= 0 && param < KParameterCount;
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1)))
        if (valid) actor->ChangeBonus(param, amount);
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeSkills(const std::vector<std::int32_t>& p) {
    std::int32_t skill = Value(At(p, 3), At(p, 4));
    std::int32_t mode = At(p, 2);
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode != 0 && mode != 1) break;
        Game.DataBase().Skills.Get(skill);
        if (mode == 0)
            actor->LearnSkill(skill);
        else
            actor->ForgetSkill(skill);
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeEquipment(const std::vector<std::int32_t>& p) {
    std::int32_t mode = At(p, 2);
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode == 0) {
            std::int32_t itemId = Value(At(p, 3), At(p, 4));
            if (itemId == 0) break;
            const auto& item = Game.DataBase().Items.Get(itemId);
            int slot = item.EquipmentSlot();
            if (slot < 0) break;
            if (slot == 0 && actor->TwoWeapons() && actor->Equipment[0] != 0 &&
                actor->Equipment[1] == 0 && !item.IsTwoHanded()) {
                const auto* first = Game.DataBase().Items.Find(actor->Equipment[0]);
                if (first == nullptr || !first->IsTwoHanded()) slot = 1;
            }
            // Equip gives the old item back, takes the new one (held or not) and empties
            // the other weapon slot when a two-handed weapon ends up beside another.
            actor->Equip(slot, itemId);
        } else if (mode == 1) {
            std::int32_t slot = At(p, 3);
            if (slot == KUnequipAll) {
                for (int s = 0; s < KEquipmentSlots; ++s) actor->Equip(s, 0);
            } else if (slot >= 0 && slot < KEquipmentSlots) {
                actor->Equip(slot, 0);
            }
        }
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeHP(const std::vector<std::int32_t>& p) {
    std::int32_t amount = Value(At(p, 3), At(p, 4));
    std::int32_t mode = At(p, 2);
    bool mayKill = At(p, 5) != 0;
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode == 0)
            actor->ChangeHP(amount);
        else if (mode == 1)
            TakeDamage(*actor, amount, mayKill);
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeSP(const std::vector<std::int32_t>& p) {
    std::int64_t amount = Value(At(p, 3), At(p, 4));
    std::int32_t mode = At(p, 2);
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode == 0)
            actor->ChangeMP(amount);
        else if (mode == 1)
            actor->ChangeMP(-amount);
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeCondition(const std::vector<std::int32_t>& p) {
    std::int32_t mode = At(p, 2);
    std::int32_t cond = At(p, 3);
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        if (mode != 0 && mode != 1) break;
        Game.DataBase().States.Get(cond);
        if (mode == 0)
            actor->AddState(cond);
        else
            actor->RemoveState(cond);
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::FullRecovery(const std::vector<std::int32_t>& p) {
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) actor->FullRecovery();
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::InflictDamage(const std::vector<std::int32_t>& p) {
    for (auto* actor : CommandTargets(Game, At(p, 0), At(p, 1))) {
        std::int64_t damage = static_cast<std::int64_t>(At(p, 2)) -
                              static_cast<std::int64_t>(actor->Defence()) * At(p, 3) / 400 -
                              static_cast<std::int64_t>(actor->Intelligence()) * At(p, 4) / 800;
        damage = std::clamp<std::int64_t>(damage, 0, std::numeric_limits<std::int32_t>::max());
        if (At(p, 5) > 0) {
            // The spread is drawn from 0..c, so c + 1 must stay a valid draw size.
            std::int64_t c = std::clamp<std::int64_t>(damage * At(p, 5) / 10, 1,
                                                      std::numeric_limits<std::int32_t>::max() - 1);
            damage = damage + Random.Next(static_cast<std::int32_t>(c + 1)) - c / 2;
        }
        if (At(p, 6) != 0) Game.System.SetVariable(At(p, 7), damage);
        TakeDamage(*actor, damage, true);
    }
    CheckPartyDefeated(Main);
}

void TLcfgPartyCommands::ChangeActorName(const std::vector<std::int32_t>& p,
                                         const std::string& text) {
    Actor(At(p, 0)).SetName(text);
}

void TLcfgPartyCommands::ChangeActorTitle(const std::vector<std::int32_t>& p,
                                          const std::string& text) {
    Actor(At(p, 0)).SetTitle(text);
}

void TLcfgPartyCommands::ChangeActorSprite(const std::vector<std::int32_t>& p,
                                           const std::string& text) {
    Actor(At(p, 0)).SetWalkGraphic(text, At(p, 1), At(p, 2) != 0);
    LeaderSpriteChanged();
}

void TLcfgPartyCommands::ChangeActorFace(const std::vector<std::int32_t>& p,
                                         const std::string& text) {
    std::int32_t id = At(p, 0);
    Actor(id).SetFace(text, At(p, 1));
}

void TLcfgPartyCommands::ChangeVehicleGraphic(const std::vector<std::int32_t>& p,
                                              const std::string& text) {
    const std::int32_t which = At(p, 0);
    if (which < 0 || which > 2) return;
    TLcfgShip* vehicle = which == 0 ? &Game.Boat : which == 1 ? &Game.Ship : &Game.Airship;
    vehicle->SetGraphic(text, At(p, 1));
}

// ---- system settings ----

void TLcfgPartyCommands::ChangeSystemMusic(const std::vector<std::int32_t>& p,
                                           const std::string& text) {
    std::int32_t which = At(p, 0);
    if (which < 0 || which >= KSystemMusicSelectors) return;
    Game.System.SetMusic(KMusicBattle + which,
                         MusicFrom(text, At(p, 1), At(p, 2), At(p, 3), At(p, 4)));
}

void TLcfgPartyCommands::ChangeSystemSound(const std::vector<std::int32_t>& p,
                                           const std::string& text) {
    std::int32_t which = At(p, 0);
    if (which < 0 || which >= TVezSystem::KSoundCount) return;
    Game.System.SetSound(KSoundCursor + which, SoundFrom(text, At(p, 1), At(p, 2), At(p, 3)));
}

void TLcfgPartyCommands::ChangeSystemGraphic(const std::vector<std::int32_t>& p,
                                             const std::string& text) {
    Game.System.SetSystemGraphic(text, At(p, 0), At(p, 1));
}

void TLcfgPartyCommands::ChangeScreenTransition(const std::vector<std::int32_t>& p) {
    std::int32_t which = At(p, 0);
    if (which < 0 || which >= TVezSystem::KTransitionCount) return;
    Game.System.SetTransition(
        which, static_cast<std::uint8_t>(std::clamp(At(p, 1), 0, KMaxTransitionNumber)));
}

// ---- music and sound ----

void TLcfgPartyCommands::PlayMusic(const std::vector<std::int32_t>& p, const std::string& text) {
    Game.System.PlayMusic(MusicFrom(text, At(p, 0), At(p, 1), At(p, 2), At(p, 3)));
}

void TLcfgPartyCommands::FadeOutMusic(const std::vector<std::int32_t>& p) {
    Game.System.FadeOutMusic(std::max(0, At(p, 0)));
}

void TLcfgPartyCommands::MemorizeMusic() {
    Game.System.RememberedMusic = Game.System.CurrentMusic;
}

void TLcfgPartyCommands::PlayMemorizedMusic() {
    TVezMusic m = Game.System.RememberedMusic;
    m.FadeIn = 0;
    Game.System.PlayMusic(m);
}

void TLcfgPartyCommands::PlaySound(const std::vector<std::int32_t>& p, const std::string& text) {
    if (text == KSoundOff) {
        Game.Env.Sound->StopSound();
        return;
    }
    Game.System.PlaySound(SoundFrom(text, At(p, 0), At(p, 1), At(p, 2)));
}

// ---- scenes ----

void TLcfgPartyCommands::GameOver() {
    Game.System.PlayMusic(Game.System.Music(KMusicGameOver));
    // The running scene: the battle's in a battle, the field's otherwise.
    Main.SceneFor(Game.System.Scene == KSceneBattle ? KSceneBattle : KSceneField)
        .FadeOut(KFadeStep);
    Game.System.Scene = KSceneGameOver;
}

void TLcfgPartyCommands::ReturnToTitle() {
    Game.System.StopMusic();
    Game.Env.Sound->StopSound();
    // Unwinds the frame; the main loop starts again at the title.
    throw EKandelDrawReset();
}

} // namespace kestra

namespace kestra {

namespace {

void PartyCommand(TLcfgBaseScripter& s, TLcfgScriptData&, const TVezEventScriptLine& line) {
    TGameMain& game = s.Game();
    const std::uint8_t scene = scripter::State(game).System.Scene;
    TLcfgPartyCommands(game).Run(line.Code, line.Params, line.Text);
    // A scene change (game over) ends the interpreter's work for this frame.
    if (scripter::State(game).System.Scene != scene) s.StopRequested = true;
}

} // namespace

std::vector<scripter::THandlerEntry> scripter::PartyHandlers() {
    std::vector<THandlerEntry> entries;
    for (std::int32_t code : TLcfgPartyCommands::Codes()) entries.push_back({code, &PartyCommand});
    return entries;
}

} // namespace kestra
