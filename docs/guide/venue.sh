#!/bin/sh
# Sets up the venue "Hall A" in a new venue folder: finds the loudspeakers, connects them, makes
# the left/right/sub group, sets the starting values, stores them as program 1 in every
# loudspeaker, backs each one up and saves the project.
#   FROM, LAST  the network range to search (default 192.168.1.1 to .40)
#   VENUE       the venue's data folder (default ~/venues/hall-a)
set -e
FROM=${FROM:-192.168.1.1}
LAST=${LAST:-40}
VENUE=${VENUE:-$HOME/venues/hall-a}
ctl() { plenumctl --data-dir "$VENUE" "$@"; }

mkdir -p "$VENUE/backups"
ctl search "$FROM" "$LAST"            # prints the slots of the loudspeakers it found
ctl connect all --read                # their settings come into the project
ctl list

# Slots 1 and 2 are the satellites, slot 3 the subwoofer (see the list above).
ctl --yes group add HALL 1 2 3
ctl group set HALL gain -3
ctl group set HALL delay 12m          # the satellites' delay, in metres (or ms without "m")
ctl group set HALL eq.1 type=Bell freq=250 q=1.4 gain=-2.5
ctl set 3 input.gain -1.5             # one loudspeaker on its own

for slot in 1 2 3; do
  ctl --yes program store "$slot" 1 "HALL A"
  ctl backup "$slot" "$VENUE/backups/slot$slot.bck"
done
ctl project save "$VENUE/hall-a.prj"
ctl diff all                          # every loudspeaker against the project
