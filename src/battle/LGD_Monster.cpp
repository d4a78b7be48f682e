#include "battle/LGD_Monster.h"

#include <algorithm>

#include "base/Random.h"
#include "base/Saturate.h"
#include "data/DataBase.h"
#include "graphics/KandelBoard.h"

namespace kestra {

namespace {

constexpr int KAnimationZeroFrames = 20;

bool ChangesAnyParameter(const TVezSkillItem& skill) {
    for (std::size_t i = 0; i < 6; ++i)
        if (skill.EffectFlags[i]) return true;
    return false;
}

} // namespace

bool SkillAffects(const TLcfgUnitItem& unit, const TVezSkillItem& skill) {
    if (skill.SkillKind == 3) return true;
    if (skill.SkillKind != 0) return false;
    if (skill.Scope <= 1) return unit.IsAlive();
    if (unit.HP <= 0) return skill.StateEffect(KDeathState) != 0;
    if (ChangesAnyParameter(skill)) return true;
    for (std::size_t i = 0; i < unit.States.size(); ++i) {
        auto id = static_cast<std::int32_t>(i) + 1;
        if (unit.HasState(id) > 0 && skill.StateEffect(id) != 0) return true;
    }
    if (skill.AffectsResistance)
        for (std::uint8_t a : skill.Attributes)
            if (a != 0) return true;
    return false;
}

// ---- the monster battler ----

TLcfgMonsterItem::TLcfgMonsterItem(std::int32_t id, TLcfgMonster* troop, TLcfgGameState* game)
    : TLcfgUnitItem(id, game), Troop(troop) {}

void TLcfgMonsterItem::Bind(bool load) {
    Record_ = Game == nullptr ? nullptr : Game->DataBase().Monsters.Find(MonsterId);
    if (load) LoadSprite();
}

void TLcfgMonsterItem::LoadSprite() {
    Sprite = std::make_unique<TKandelSheet>();
    Sprite->AutoSize = true;
    if (Record_ == nullptr || Record_->Graphic.empty() || !Game->Env.FindAsset) return;
    std::string path = Game->Env.FindAsset(Record_->Graphic, "Monster");
    if (path.empty()) return;
    Sprite->LoadFromFile(path, false);
    Sprite->Transparent = true;
    if (Record_->Hue != 0) Sprite->RotateHue(Record_->Hue);
}

std::int32_t TLcfgMonsterItem::Parameter(int index) const {
    return Record_ == nullptr ? 0 : Record_->Parameters[static_cast<std::size_t>(index)];
}

std::string TLcfgMonsterItem::GetName() const {
    return Record_ == nullptr ? std::string() : Record_->Name;
}

std::int32_t TLcfgMonsterItem::AttributeRank(std::int32_t attr) const {
    return Record_ == nullptr ? 2 : Record_->AttribRank(attr);
}

std::int32_t TLcfgMonsterItem::StateRank(std::int32_t cond) const {
    return Record_ == nullptr ? 1 : Record_->StateRank(cond);
}

double TLcfgMonsterItem::CriticalChance() const {
    if (Record_ == nullptr || !Record_->CriticalHits || Record_->CriticalChance <= 0) return 0;
    return 100.0 / Record_->CriticalChance;
}

std::int32_t TLcfgMonsterItem::HitRate() const {
    return Record_ != nullptr && Record_->Miss ? 70 : 90;
}

void TLcfgMonsterItem::StartFlash(int red, int green, double strength, int frames, int blue) {
    FlashRed = red;
    FlashGreen = green;
    FlashBlue = blue;
    FlashStrength = strength;
    FlashFrames = std::max(0, frames);
}

void TLcfgMonsterItem::UpdateEffects() {
    if (FlashFrames > 0) {
        --FlashFrames;
        FlashStrength -= FlashStrength / (FlashFrames + 1);
    }
    if (BlinkFrames > 0) --BlinkFrames;
    if (FadeFrames > 0) --FadeFrames;
    if (BurstFrames > 0) --BurstFrames;
}

namespace {

// A weight per action of the table; 0 for actions that cannot be taken now.
struct TWeighted {
    const TVezMonsterActItem* Act;
    std::int64_t Weight;
};

bool InRange(std::int64_t v, std::int32_t a, std::int32_t b) {
    return a <= v && v <= b;
}

std::int64_t Percent(std::int64_t value, std::int64_t max) {
    return max <= 0 ? 0 : value * 100 / max;
}

} // namespace

void TLcfgMonsterItem::ChooseAutoAction() {
    Action.Clear();
    if (Troop == nullptr || Game == nullptr || !CanAct()) return;
    TRandom& random = Troop->Random;
    const auto& db = Game->DataBase();

    auto targetMember = [&] {
        std::int32_t pos = DrawLivingMember(*Game, random);
        if (pos < 0) {
            Action.Clear();
            return false;
        }
        Action.TargetKind = 1;
        Action.TargetIndex = pos;
        return true;
    };

    if (AttacksEnemiesOnly() || Charged) {
        Action.Kind = TLcfgUnitActItem::KBasic;
        Action.SubKind = 0;
        targetMember();
        return;
    }
    if (AttacksAlliesOnly()) {
        Action.Kind = TLcfgUnitActItem::KBasic;
        Action.SubKind = 0;
        Action.TargetKind = 3;
        Action.TargetIndex = random.Next(Troop->Size());
        return;
    }
    if (Record_ == nullptr) return;

    const auto& party = Game->PartyInfo;
    std::vector<TWeighted> weights;
    for (std::size_t i = 0; i < Record_->Actions.Count(); ++i) {
        const auto& act = Record_->Actions.At(i);
        const std::int32_t a = act.ConditionMin, b = act.ConditionMax;
        bool holds = false;
        switch (act.ConditionKind) {
        case 0:
            holds = true;
            break;
        case 1:
            holds = Game->System.Switch(act.ConditionSwitch);
            break;
        case 2:
            holds = party.TurnTest(a, b);
            break;
        case 3:
            holds = InRange(Troop->AliveCount(), a, b);
            break;
        case 4:
            holds = InRange(Percent(HP, MaxHP()), a, b);
            break;
        case 5:
            holds = InRange(Percent(MP, MaxMP()), a, b);
            break;
        case 6:
            holds = InRange(party.AverageLevel(), a, b);
            break;
        case 7:
            holds = InRange(party.Fatigue(), a, b);
            break;
        default:
            break;
        }
        if (holds && act.ActionKind == 1 && !CanUseSkill(act.SkillId)) holds = false;
        weights.push_back({&act, holds ? act.Rating : 0});
    }

    std::int64_t best = 0;
    for (const auto& w : weights) best = std::max(best, w.Weight);
    if (best <= 0) return;
    for (auto& w : weights)
        w.Weight = w.Weight > 0 ? std::max<std::int64_t>(0, w.Weight + 10 - best) : 0;

    for (auto& w : weights) {
        if (w.Weight == 0 || w.Act->ActionKind != 1) continue;
        const TVezSkillItem* skill = db.Skills.Find(w.Act->SkillId);
        if (skill == nullptr || skill->SkillKind != 0) continue;
        bool affects = true;
        if (skill->Scope == 2) {
            affects = SkillAffects(*this, *skill);
        } else if (skill->Scope >= 3) {
            affects = false;
            for (std::int32_t p = 0; p < Troop->Size() && !affects; ++p)
                affects = SkillAffects(*Troop->At(p), *skill);
        }
        if (!affects) w.Weight = 0;
    }

    std::int64_t sum = 0;
    for (const auto& w : weights) sum += w.Weight;
    if (sum <= 0) return;
    auto r = random.Next(static_cast<std::int32_t>(std::min<std::int64_t>(sum, INT32_MAX)));
    const TVezMonsterActItem* chosen = nullptr;
    std::int64_t from = 0;
    for (const auto& w : weights) {
        if (r >= from && r < from + w.Weight) {
            chosen = w.Act;
            break;
        }
        from += w.Weight;
    }
    if (chosen == nullptr) return;

    switch (chosen->ActionKind) {
    case 0:
        Action.Kind = TLcfgUnitActItem::KBasic;
        Action.SubKind = chosen->BasicAction;
        if (Action.SubKind == 0 || Action.SubKind == 1) {
            if (!targetMember()) return;
        } else if (Action.SubKind == 5) {
            Action.TargetKind = 2;
        }
        break;
    case 1: {
        Action.Kind = TLcfgUnitActItem::KSkill;
        Action.SkillId = chosen->SkillId;
        const TVezSkillItem* skill = db.Skills.Find(chosen->SkillId);
        if (skill != nullptr && skill->SkillKind == 0) {
            switch (skill->Scope) {
            case 0:
                if (!targetMember()) return;
                break;
            case 1:
                Action.TargetKind = 2;
                break;
            case 2:
                Action.TargetKind = 3;
                Action.TargetIndex = TroopIndex();
                break;
            case 3: {
                Action.TargetKind = 3;
                Action.TargetIndex = 0;
                for (int n = 0; n < KMaxTargetDraws; ++n) {
                    std::int32_t p = random.Next(Troop->Size());
                    if (const auto* m = Troop->At(p); m != nullptr && SkillAffects(*m, *skill)) {
                        Action.TargetIndex = p;
                        break;
                    }
                }
                break;
            }
            default:
                Action.TargetKind = 4;
                break;
            }
        }
        break;
    }
    case 2:
        Action.Kind = TLcfgUnitActItem::KTransform;
        Action.TransformTo = chosen->TransformInto;
        break;
    default:
        // An action kind the table does not define does nothing.
        return;
    }
    if (chosen->SetSwitch) Action.SwitchOn = chosen->SwitchOn;
    if (chosen->ClearSwitch) Action.SwitchOff = chosen->SwitchOff;
}

// ---- the troop ----

TLcfgMonster::TLcfgMonster(TLcfgGameState& game, TRandom& random)
    : TCatalogOf("battle monsters"), Game(game), Random(random) {
    Game.Battle = this;
}

TLcfgMonster::~TLcfgMonster() {
    if (Game.Battle == this) Game.Battle = nullptr;
}

std::unique_ptr<TCatalogItem> TLcfgMonster::NewItem(std::int32_t id) const {
    return std::make_unique<TLcfgMonsterItem>(id, const_cast<TLcfgMonster*>(this), &Game);
}

void TLcfgMonster::ClearTroop() {
    Clear();
    TroopId = 0;
    AnimationPlaying = false;
    AnimationCounter = 0;
}

void TLcfgMonster::SetupTroop(std::int32_t troopId, bool loadSprites) {
    ClearTroop();
    TroopId = troopId;
    const TVezMonGroupItem* troop = Game.DataBase().Troops.Find(troopId);
    if (troop == nullptr) return;
    for (std::size_t i = 0; i < troop->Members.Count(); ++i) {
        const auto& entry = troop->Members.At(i);
        auto& m = Obtain(static_cast<std::int32_t>(i) + 1);
        m.MonsterId = entry.MonsterId;
        m.Bind(loadSprites);
        m.HP = std::max(0, m.MaxHP());
        m.MP = std::max(0, m.MaxMP());
        m.X = entry.X;
        m.Y = entry.Y;
        m.Present = !entry.Hidden && m.Record() != nullptr;
        // A monster without hit points is fallen from the start, so it never acts.
        if (m.HP == 0) m.AddState(KDeathState);
    }
}

TLcfgMonsterItem* TLcfgMonster::At(std::int32_t position) const {
    if (position < 0) return nullptr;
    return static_cast<TLcfgMonsterItem*>(ItemAt(static_cast<std::size_t>(position)));
}

std::int32_t TLcfgMonster::AverageAgility() const {
    std::int64_t sum = 0, count = 0;
    for (std::int32_t p = 0; p < Size(); ++p) {
        const auto* m = At(p);
        if (m->Record() == nullptr) continue;
        sum += m->Agility();
        ++count;
    }
    std::int64_t average = count == 0 ? 0 : sum / count;
    return average == 0 ? 1 : static_cast<std::int32_t>(average);
}

std::int32_t TLcfgMonster::AliveCount() const {
    std::int32_t n = 0;
    for (std::int32_t p = 0; p < Size(); ++p)
        if (At(p)->IsAlive()) ++n;
    return n;
}

std::int32_t TLcfgMonster::FirstAlive() const {
    for (std::int32_t p = 0; p < Size(); ++p)
        if (At(p)->IsAlive()) return p;
    return -1;
}

void TLcfgMonster::ChooseActions() {
    for (std::int32_t p = 0; p < Size(); ++p) At(p)->ChooseAutoAction();
}

// ---- animation ----

void TLcfgMonster::PlayAnimation(std::int32_t animationId, std::int32_t target) {
    AnimationId = animationId;
    AnimationTarget = target;
    AnimationCounter = 0;
    AnimationPlaying = true;
}

std::int32_t TLcfgMonster::AnimationFrames() const {
    const TVezAnimationItem* anim =
        AnimationId == 0 ? nullptr : Game.DataBase().Animations.Find(AnimationId);
    if (anim == nullptr) return KAnimationZeroFrames;
    return static_cast<std::int32_t>(anim->Frames.Count()) * 2;
}

namespace {

// The flash a timing list gives animation frame n: a timing at frame t (from 1) lights
// frames t - 1 .. t + 4 with strength intensity x (t - n + 6) div 6, at most 31; later
// timings win on shared frames. Scope 1 the target, 2 the screen.
bool TimingFlash(const TVezAnimationItem& anim, std::int32_t n, int scope, int rgbs[4]) {
    bool any = false;
    for (std::size_t i = 0; i < anim.Timings.Count(); ++i) {
        const auto& t = anim.Timings.At(i);
        int s = t.FlashScope == 0 ? 0 : (t.FlashScope == 1 ? 1 : 2);
        if (s != scope) continue;
        std::int64_t frame = t.Frame;
        if (n < frame - 1 || n > frame + 4) continue;
        rgbs[0] = std::clamp(t.FlashRed, 0, 31);
        rgbs[1] = std::clamp(t.FlashGreen, 0, 31);
        rgbs[2] = std::clamp(t.FlashBlue, 0, 31);
        std::int64_t strength = static_cast<std::int64_t>(t.FlashStrength) * (frame - n + 6) / 6;
        rgbs[3] = static_cast<int>(std::clamp<std::int64_t>(strength, 0, 31));
        any = true;
    }
    return any;
}

} // namespace

void TLcfgMonster::Update() {
    ScreenFlash.reset();
    for (std::int32_t p = 0; p < Size(); ++p) At(p)->UpdateEffects();
    if (!AnimationPlaying) return;

    const TVezAnimationItem* anim =
        AnimationId == 0 ? nullptr : Game.DataBase().Animations.Find(AnimationId);
    std::int32_t counter = AnimationCounter++;
    if (anim == nullptr) {
        if (counter == 0) Game.System.PlaySystemSound(KSoundEnemyAttack);
        if (AnimationCounter >= KAnimationZeroFrames) AnimationPlaying = false;
        return;
    }
    std::int32_t n = counter / 2;
    if (n >= static_cast<std::int32_t>(anim->Frames.Count())) {
        AnimationPlaying = false;
        return;
    }
    int rgbs[4];
    if (TimingFlash(*anim, n, 2, rgbs))
        ScreenFlash = TVezScreenFlash{rgbs[0], rgbs[1], rgbs[2], rgbs[3], 1};
    if (AnimationTarget != KAnimateScreen && TimingFlash(*anim, n, 1, rgbs)) {
        for (std::int32_t p = 0; p < Size(); ++p)
            if (AnimationTarget == KAnimateAllMonsters || AnimationTarget == p)
                At(p)->StartFlash(rgbs[0], rgbs[1], rgbs[3], 1, rgbs[2]);
    }
    if (counter % 2 == 1) {
        for (std::size_t i = 0; i < anim->Timings.Count(); ++i) {
            const auto& t = anim->Timings.At(i);
            if (static_cast<std::int64_t>(t.Frame) == static_cast<std::int64_t>(n) + 1)
                Game.System.PlaySound(t.Sound);
        }
    }
}

// ---- drawing ----

std::vector<std::int32_t> TLcfgMonster::DrawOrder() const {
    struct TMonsterOrder {
        std::int32_t Position;
        std::int64_t Key;
    };
    std::vector<TMonsterOrder> orders;
    for (std::int32_t p = 0; p < Size(); ++p) {
        const auto* m = At(p);
        if (!m->IsVisible()) continue;
        std::int64_t key = static_cast<std::int64_t>(m->Y) + m->SpriteHeight() / 2;
        if (m->BurstFrames > 0) key += 1000;
        orders.push_back({p, key});
    }
    std::stable_sort(orders.begin(), orders.end(),
                     [](const TMonsterOrder& a, const TMonsterOrder& b) { return a.Key < b.Key; });
    std::vector<std::int32_t> out;
    out.reserve(orders.size());
    for (const auto& o : orders) out.push_back(o.Position);
    return out;
}

void TLcfgMonster::Draw(TKandelBoard& board, const TVezBattleView& view) {
    for (std::int32_t p : DrawOrder()) {
        auto& m = *At(p);
        if (!m.Sprite || m.Sprite->Width() <= 0 || m.Sprite->Height() <= 0) continue;
        if (m.HP <= 0 && m.FadeFrames <= 0 && m.BurstFrames <= 0) continue;
        if (m.BlinkFrames % 10 > 4) continue;
        int opacity = 255;
        if (m.FadeFrames > 0)
            opacity = m.FadeFrames * 7;
        else if (m.BurstFrames > 0)
            opacity = m.BurstFrames * 12;
        if (m.Record() != nullptr && m.Record()->Transparent) opacity = opacity * 160 / 255;
        auto& sheet = *m.Sprite;
        sheet.Opacity = std::clamp(opacity, 0, 255);
        sheet.ColorControl.SetFlash(m.FlashRed, m.FlashGreen, m.FlashBlue,
                                    m.FlashFrames > 0 ? static_cast<int>(m.FlashStrength) : 0,
                                    false);
        sheet.ScreenColorControl.SetAll(view.ToneRed, view.ToneGreen, view.ToneBlue,
                                        view.ToneSaturation, view.FlashRed, view.FlashGreen,
                                        view.FlashBlue, view.FlashStrength, false);
        sheet.UpdateColors();
        double zoom = m.BurstFrames > 0 ? (20.0 - m.BurstFrames) / 20.0 + 1 : 1.0;
        int w = sheet.Width(), h = sheet.Height();
        int x = static_cast<int>(std::clamp<std::int64_t>(
            static_cast<std::int64_t>(m.X) + view.ShakeX, -100000, 100000));
        int y = static_cast<int>(std::clamp<std::int32_t>(m.Y, -100000, 100000));
        if (zoom == 1.0)
            board.DrawSheet(x - w / 2, y - h / 2, sheet.GetBounds(), sheet);
        else
            board.DrawSheetZoomed(x, y, sheet.GetBounds(), sheet, w / 2, h / 2, zoom);
    }
}

// ---- party side ----

std::vector<TLcfgPlayerItem*> LivingMembers(const TLcfgGameState& game) {
    std::vector<TLcfgPlayerItem*> out;
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i)
        if (auto* m = game.PartyInfo.Member(i); m != nullptr && m->IsAlive()) out.push_back(m);
    return out;
}

std::int32_t DrawLivingMember(const TLcfgGameState& game, TRandom& random) {
    const auto& party = game.PartyInfo;
    std::int32_t first = -1;
    for (std::int32_t i = 0; i < party.MemberCount() && first < 0; ++i)
        if (auto* m = party.Member(i); m != nullptr && m->IsAlive()) first = i;
    if (first < 0) return -1;
    for (int n = 0; n < KMaxTargetDraws; ++n) {
        std::int32_t i = random.Next(party.MemberCount());
        if (auto* m = party.Member(i); m != nullptr && m->IsAlive()) return i;
    }
    return first;
}

} // namespace kestra
