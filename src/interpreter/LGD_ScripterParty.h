#pragma once
// Event commands that change the party and its actors, the system's music, sound,
// graphic and transition settings, play music and sounds, and end the game.
//
// Each command works on the game state with the command line's integer parameters
// (an index past the end reads 0) and its text. What lies outside the game state (the
// message pool, the running scene, the field's defeat sequence) is reached through the
// game object.
//
// Missing actors, items, skills and conditions named by a command raise ELookupError;
// a selector parameter outside its values makes the command do nothing.
#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

class TGameMain;
class TLcfgCharacter;
class TLcfgGameState;
class TLcfgPartyInfo;
class TLcfgPlayerItem;
class TRandom;

// The hero's sprite from the first party member (set, index, transparency); no sprite
// for an empty party.
void TakeLeaderSprite(TLcfgCharacter& hero, const TLcfgPartyInfo& party);

// Value by kind: the constant n for kind 0, variable n for kind 1, 0 otherwise.
std::int32_t CommandValue(const TLcfgGameState& game, std::int32_t kind, std::int32_t n);

// Every party member (selector 0), actor `n` (1) or the actor whose ID variable `n` holds
// (2); a single actor only when the party is not empty. Other selectors give nobody.
std::vector<TLcfgPlayerItem*> CommandTargets(TLcfgGameState& game, std::int32_t selector,
                                             std::int32_t n);

// When the field is running and the party has members of whom none is alive, the field's
// defeat sequence runs (TVezFieldScene::PartyDefeated). True when it did.
bool CheckPartyDefeated(TGameMain& game);

// The commands; the game's random generator serves the spread of Inflict damage.
class TLcfgPartyCommands {
public:
    explicit TLcfgPartyCommands(TGameMain& game);

    // Runs command `code`; false when the code is not one of these commands.
    bool Run(std::int32_t code, const std::vector<std::int32_t>& params, const std::string& text);
    // The codes Run handles, in ascending order.
    static const std::vector<std::int32_t>& Codes();

    void ChangeMoney(const std::vector<std::int32_t>& p);                                   // 10310
    void ChangeItems(const std::vector<std::int32_t>& p);                                   // 10320
    void ChangePartyMembers(const std::vector<std::int32_t>& p);                            // 10330
    void ChangeExperience(const std::vector<std::int32_t>& p);                              // 10410
    void ChangeLevel(const std::vector<std::int32_t>& p);                                   // 10420
    void ChangeParameters(const std::vector<std::int32_t>& p);                              // 10430
    void ChangeSkills(const std::vector<std::int32_t>& p);                                  // 10440
    void ChangeEquipment(const std::vector<std::int32_t>& p);                               // 10450
    void ChangeHP(const std::vector<std::int32_t>& p);                                      // 10460
    void ChangeSP(const std::vector<std::int32_t>& p);                                      // 10470
    void ChangeCondition(const std::vector<std::int32_t>& p);                               // 10480
    void FullRecovery(const std::vector<std::int32_t>& p);                                  // 10490
    void InflictDamage(const std::vector<std::int32_t>& p);                                 // 10500
    void ChangeActorName(const std::vector<std::int32_t>& p, const std::string& text);      // 10610
    void ChangeActorTitle(const std::vector<std::int32_t>& p, const std::string& text);     // 10620
    void ChangeActorSprite(const std::vector<std::int32_t>& p, const std::string& text);    // 10630
    void ChangeActorFace(const std::vector<std::int32_t>& p, const std::string& text);      // 10640
    void ChangeVehicleGraphic(const std::vector<std::int32_t>& p, const std::string& text); // 10650
    void ChangeSystemMusic(const std::vector<std::int32_t>& p, const std::string& text);    // 10660
    void ChangeSystemSound(const std::vector<std::int32_t>& p, const std::string& text);    // 10670
    void ChangeSystemGraphic(const std::vector<std::int32_t>& p, const std::string& text);  // 10680
    void ChangeScreenTransition(const std::vector<std::int32_t>& p);                        // 10690
    void PlayMusic(const std::vector<std::int32_t>& p, const std::string& text);            // 11510
    void FadeOutMusic(const std::vector<std::int32_t>& p);                                  // 11520
    void MemorizeMusic();                                                                   // 11530
    void PlayMemorizedMusic();                                                              // 11540
    void PlaySound(const std::vector<std::int32_t>& p, const std::string& text);            // 11550
    void GameOver();                                                                        // 12420
    [[noreturn]] void ReturnToTitle();                                                      // 12510

private:
    std::int32_t Value(std::int32_t kind, std::int32_t n) const;
    TLcfgPlayerItem& Actor(std::int32_t id) const;
    void TakeDamage(TLcfgPlayerItem& actor, std::int64_t amount, bool mayKill);

    // A line for the message pool; an empty line ends a page.
    void Notice(const std::string& line);
    void RefreshPages();
    // The hero takes its sprite from the first party member again.
    void LeaderSpriteChanged();

    TGameMain& Main;
    TLcfgGameState& Game;
    TRandom& Random;
};

} // namespace kestra
