#pragma once
// The monster side of a battle: the monster battler, the troop it belongs to, the
// automatic choice of monster actions and the effects (flash, blink, fade, burst,
// battle animation) drawn over the backdrop.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "graphics/KandelSheet.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Unit.h"

namespace kestra {

class TKandelBoard;
class TLcfgMonster;
class TRandom;
class TVezMonsterItem;
class TVezSkillItem;

// Troop positions of the animation targets besides a monster's own position.
inline constexpr std::int32_t KAnimateAllMonsters = -1;
inline constexpr std::int32_t KAnimateScreen = -2;
// A redraw of a random target gives up after this many draws.
inline constexpr int KMaxTargetDraws = 100;

// True when using the skill on the unit would change something (used to keep
// pointless healing and curing out of the automatic choices).
bool SkillAffects(const TLcfgUnitItem& unit, const TVezSkillItem& skill);

class TLcfgMonsterItem : public TLcfgUnitItem {
public:
    // id = troop position + 1.
    explicit TLcfgMonsterItem(std::int32_t id = 0, TLcfgMonster* troop = nullptr,
                              TLcfgGameState* game = nullptr);
    // Monsters live only during a battle and are never saved.
    void DescribeChunks(TChunkVisitor&) override {}

    // The database record, or null when the troop names a monster the database lacks;
    // such a monster has every parameter 0 and never appears.
    const TVezMonsterItem* Record() const { return Record_; }
    std::int32_t TroopIndex() const { return Id - 1; }
    // Takes the record of MonsterId; with `load` also the sprite.
    void Bind(bool load);

    std::string GetName() const override;
    std::int32_t MaxHP() const override { return Parameter(0); }
    std::int32_t MaxMP() const override { return Parameter(1); }
    std::int32_t BaseAttack() const override { return Parameter(2); }
    std::int32_t BaseDefence() const override { return Parameter(3); }
    std::int32_t BaseIntelligence() const override { return Parameter(4); }
    std::int32_t BaseAgility() const override { return Parameter(5); }
    std::int32_t AttributeRank(std::int32_t attr) const override;
    std::int32_t StateRank(std::int32_t cond) const override;
    double CriticalChance() const override;
    std::int32_t HitRate() const override;
    bool IsSameKind(const TLcfgUnitItem& unit) const override { return unit.IsMonster(); }
    bool IsActor() const override { return false; }
    bool IsMonster() const override { return true; }
    void ChooseAutoAction() override;

    void StartFlash(int red, int green, double strength, int frames, int blue);
    void StopFlash() { FlashFrames = 0, FlashStrength = 0; }
    void StartBlink(int frames) { BlinkFrames = frames; }
    void StartFade(int frames) { FadeFrames = frames; }
    void StartBurst(int frames) { BurstFrames = frames; }
    // One frame of the effect counters.
    void UpdateEffects();
    // Drawn this frame: alive, fading or bursting.
    bool IsVisible() const { return IsAlive() || FadeFrames > 0 || BurstFrames > 0; }
    int SpriteHeight() const { return Sprite ? Sprite->Height() : 0; }

    std::int32_t MonsterId = 0;
    std::int32_t X = 0, Y = 0;
    std::unique_ptr<TKandelSheet> Sprite;
    int FlashRed = 0, FlashGreen = 0, FlashBlue = 0;
    double FlashStrength = 0;
    int FlashFrames = 0, BlinkFrames = 0, FadeFrames = 0, BurstFrames = 0;

private:
    std::int32_t Parameter(int index) const;
    void LoadSprite();

    TLcfgMonster* Troop;
    const TVezMonsterItem* Record_ = nullptr;
};

// How the screen looks under the monsters: its colour tone, flash and shake offset.
struct TVezBattleView {
    int ToneRed = 100, ToneGreen = 100, ToneBlue = 100, ToneSaturation = 100;
    int FlashRed = 0, FlashGreen = 0, FlashBlue = 0, FlashStrength = 0;
    int ShakeX = 0;
};

// A flash of the whole screen that the playing battle animation asks for this frame.
struct TVezScreenFlash {
    int Red = 0, Green = 0, Blue = 0, Strength = 0, Frames = 0;
};

// The monsters of the current troop, in troop order (ID = position + 1).
class TLcfgMonster : public TCatalogOf<TLcfgMonsterItem> {
public:
    // Registers itself with the game state as its battle side while it exists.
    TLcfgMonster(TLcfgGameState& game, TRandom& random);
    ~TLcfgMonster() override;
    TLcfgMonster(const TLcfgMonster&) = delete;
    TLcfgMonster& operator=(const TLcfgMonster&) = delete;

    // Clears the list and adds one monster per troop member. An unknown troop gives an
    // empty group; `loadSprites` false leaves the sprites unloaded (tests, benchmarks).
    void SetupTroop(std::int32_t troopId, bool loadSprites = true);
    void ClearTroop();
    // The monster at a troop position, or null.
    TLcfgMonsterItem* At(std::int32_t position) const;
    std::int32_t Size() const { return static_cast<std::int32_t>(Count()); }

    // Integer average of the effective agility over every monster of the troop with a
    // record, present or not; 1 when it comes out as 0.
    std::int32_t AverageAgility() const;
    std::int32_t AliveCount() const;
    // The living monster of the lowest troop position, or -1.
    std::int32_t FirstAlive() const;
    void ChooseActions();

    // The automatic choice of an actor (auto battle, or forced by a state).
    void ChooseActorAction(TLcfgPlayerItem& actor);

    // Battle animation on a troop position, all monsters or the screen. Animation 0
    // (or one the database lacks) plays the enemy-attack sound and lasts 20 frames.
    void PlayAnimation(std::int32_t animationId, std::int32_t target);
    bool IsAnimationPlaying() const { return AnimationPlaying; }
    // Frames the current animation lasts in all.
    std::int32_t AnimationFrames() const;
    // One frame of the monsters' flashes and the animation; a screen flash of the
    // animation's timings is left in ScreenFlash for the frame's drawing.
    void Update();
    void Draw(TKandelBoard& board, const TVezBattleView& view);
    // Troop positions in drawing order (the ones drawn this frame, back to front).
    std::vector<std::int32_t> DrawOrder() const;

    TLcfgGameState& Game;
    TRandom& Random;
    std::int32_t TroopId = 0;
    std::int32_t AnimationId = 0, AnimationTarget = KAnimateScreen, AnimationCounter = 0;
    bool AnimationPlaying = false;
    // The screen flash the last Update asked for, if any.
    std::optional<TVezScreenFlash> ScreenFlash;

protected:
    std::unique_ptr<TCatalogItem> NewItem(std::int32_t id) const override;
};

// The living members of the party, in party order.
std::vector<TLcfgPlayerItem*> LivingMembers(const TLcfgGameState& game);
// A party position drawn by Random(party size) until the member lives, at most
// KMaxTargetDraws times, then the first living member; -1 when nobody lives.
std::int32_t DrawLivingMember(const TLcfgGameState& game, TRandom& random);

} // namespace kestra
