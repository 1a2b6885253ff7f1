#pragma once
// State of the console shared by its handlers, its modules and its dialogs.
// Twin players: the A and B names keep apart what belongs to each player.
#include <QString>
#include <vector>

// Deck state.
extern bool PlayingA;  // playing, not paused
extern bool PlayingB;
extern bool PlayerAInUse;  // playing or paused
extern bool PlayerBInUse;
extern double PositionA;  // seconds
extern double PositionB;
extern QString StartTimeA;  // "hh:nn" of the item's start
extern QString StartTimeB;

// Play queue: list indexes of the selected items and the place in them.
extern std::vector<int> QueueA;
extern std::vector<int> QueueB;
extern int QueuePosA;
extern int QueuePosB;
extern QString PrevTitleA;
extern QString PrevTitleB;

// The player whose list last had the keyboard focus: "A", "B" or "".
extern QString FocusPlayer;

// Mixer: direction of the automatic crossing.
extern bool CrossToA;

// Talk keys.
extern bool TalkOnA;
extern bool TalkOnB;
extern int TalkSavedLevelA;
extern int TalkSavedLevelB;
extern int LastFaderIsB;  // 0 or 1

// Broadcast: the player chosen for the automatic start ("A", "B" or ""), and
// the begin and limit times in seconds of the day.
extern QString LivePlayer;
extern double BeginSeconds;
extern double LimitSeconds;
