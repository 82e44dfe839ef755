// The actions of the install script language: their codes and names.
#pragma once

#include "script/mbstring.h"

namespace zefi {

// The code of each action, as the group's action queue stores it.
enum ActionCode : int {
    kActionNone = 0,              // not an action name
    kActionInstall = 1,           // "i"
    kActionInstallBatch = 2,      // "ibat"
    kActionInstallCfg = 3,        // "icfg"
    kActionInstallAppCfg = 4,     // "iapcfg"
    kActionInstallAppBatch = 5,   // "iapbat"
    kActionMkdir = 6,             // "mkdir"
    kActionDelete = 7,            // "d"
    kActionPrint = 8,             // "print"
    kActionWait = 9,              // "wait"
    kActionCat = 10,              // "cat"
    kActionClearScreen = 11,      // "clrscr"
    kActionGetChar = 12,          // "getchar"
    kActionExist = 13,            // "exist"
    kActionSetInstall = 14,       // "set_install"
    kActionExec = 15,             // "exec"
    kActionQuit = 17,             // "quit"
    kActionSync = 19,             // "sync"
    kActionCfgCmp = 20,           // "cfgcmp"
    kActionUseDefDst = 21,        // "usedefdst"
    kActionCheckSpace = 22,       // "checkspace"
    kActionGoBack = 23,           // "goback"
    kActionSetChangeCfgAll = 24,  // "setchangecfgall"
    kActionPrintWin = 25,         // "printwin"
    kActionCat852 = 26,           // "cat852"
    kActionDelOnCd = 27,          // "deloncd"
    kActionSetDelOnCd = 28,       // "setdeloncd"
    kActionCheckVal = 30,         // "checkval"
    kActionEwm = 31,              // "ewm"
};

// The code of an action name (exact, case-sensitive); kActionNone for any other name.
ActionCode ActionCodeFromName(const CMBString& name);

// The name of an action code; "" for a code that names no action.
const char* ActionName(int code);

}  // namespace zefi
