#include "console/ConsoleGlobals.h"

bool PlayingA = false;
bool PlayingB = false;
bool PlayerAInUse = false;
bool PlayerBInUse = false;
double PositionA = 0;
double PositionB = 0;
QString StartTimeA;
QString StartTimeB;

std::vector<int> QueueA;
std::vector<int> QueueB;
int QueuePosA = 0;
int QueuePosB = 0;
QString PrevTitleA;
QString PrevTitleB;

QString FocusPlayer;

bool CrossToA = false;

bool TalkOnA = false;
bool TalkOnB = false;
int TalkSavedLevelA = 0;
int TalkSavedLevelB = 0;
int LastFaderIsB = 0;

QString LivePlayer;
double BeginSeconds = 0;
double LimitSeconds = 0;
