Press "On Air" once to prepare a broadcast; Play then puts the show on the air before the first item starts.
Double-check the cue: clicking an item in a playlist shows its title and duration under the list before you press Play.
Select several items in a playlist to build a play queue: Play runs them one after another without a gap.
Tick "Repeat" under a player to loop the cued item, handy for beds under a presenter.
The talk keys fade a player down to the talk level and back up again; set the talk level with the toolbar's talk button.
"Auto Crossing" moves the crossfader from one player to the other by itself at the chosen speed.
Set up the jingle buttons A to L with the toolbar's jingle button: each slot holds one short file.
The broadcast-time panel counts down to the begin time and can start the prepared player by itself.
Set a limit time and the status bar shows the overtime; "Auto Stop" ends the broadcast when the limit is reached.
In an emergency press the alarm key: both players stop and your chosen emergency file plays at once.
Every item played on the air is written to the day's statistics report; open it with File > Open Statistics.
Fill in Options > User Information so that the engineer, director and organisation appear in each report.
Closing the console only hides it: players and clocks go on, and Process > Players & DJ Mixpad brings it back.
