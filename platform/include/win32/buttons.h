// Push buttons: the notification and message the forms toolkit's command
// buttons answer. Differences from the real platform: there is no "Button"
// class of the system; the forms toolkit draws its own buttons.
#pragma once

#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L

#define BN_CLICKED 0

#define BM_CLICK 0x00F5
