// The dialog templates of the program: captions, controls, texts and layout in dialog units.
//
// Both languages share one layout; where a Slovak text needs another place the control
// carries it. Control order is the tab order.
#include "resources/dialog_templates.h"

namespace resources::detail {

namespace {

constexpr const char* kSetupTitleCs = "Instalace ZEFI pro Windows";
constexpr const char* kSetupTitleSk = "Inštalácia ZEFI pre Windows";

ControlTemplate Ctl(int id, ControlKind kind, const char* cs, const char* sk, int x, int y, int cx,
                    int cy, uint32_t style = 0) {
    ControlTemplate control{id, kind, cs, sk, x, y, cx, cy};
    control.style = style;
    return control;
}

ControlTemplate Hidden(ControlTemplate control) {
    control.visible = false;
    return control;
}

ControlTemplate Disabled(ControlTemplate control) {
    control.enabled = false;
    return control;
}

ControlTemplate SlovakAt(ControlTemplate control, int x, int y, int cx, int cy) {
    control.skX = x;
    control.skY = y;
    control.skCx = cx;
    control.skCy = cy;
    return control;
}

// Main menu: three buttons of 85 x 20 stacked in the middle.
DialogTemplate SetupDialog() {
    return {kDlgSetup,
            kSetupTitleCs,
            kSetupTitleSk,
            149,
            133,
            {
                Ctl(1000, ControlKind::DefButton, "Instalace/Aktualizace",
                    "Inštalácia/Aktualizácia", 32, 22, 85, 20),
                Ctl(1002, ControlKind::Button, "Pokyny k instalaci", "Pokyny k inštalácii", 32, 55,
                    85, 20),
                Ctl(kIdCancel, ControlKind::Button, "Konec", "Koniec", 32, 88, 85, 20),
            }};
}

// Installation search: a small box without a caption bar.
DialogTemplate SearchDialog() {
    DialogTemplate dialog{
        kDlgSearch,
        "",
        "",
        158,
        44,
        {
            Ctl(-1, ControlKind::Static, "Hledá se instalace ZEFI...",
                "Hľadá sa inštalácia ZEFI...", 7, 7, 144, 8, kStyleCenter),
            Ctl(kIdCancel, ControlKind::Button, "Zrušit", "Zrušiť", 54, 22, 50, 14),
        }};
    dialog.titleBar = false;
    return dialog;
}

// Destination directory with a folder browser.
DialogTemplate DirDialog() {
    return {
        kDlgDir,
        kSetupTitleCs,
        kSetupTitleSk,
        250,
        64,
        {
            Ctl(-1, ControlKind::Static, "Adresář pro instalaci ZEFI",
                "Adresár pre inštaláciu ZEFI", 7, 7, 236, 8),
            Ctl(1002, ControlKind::Edit, "", "", 7, 18, 180, 13, kStyleBorder | kStyleAutoHScroll),
            Ctl(1003, ControlKind::Button, "Procházet", "Prechádzať", 193, 17, 50, 14),
            Ctl(kIdOk, ControlKind::DefButton, "OK", "OK", 137, 42, 50, 14),
            Ctl(kIdCancel, ControlKind::Button, "Zrušit", "Zrušiť", 193, 42, 50, 14),
        }};
}

// Copy progress: status, current source and destination, file progress, free space.
DialogTemplate CopyDialog() {
    return {kDlgCopy,
            "Kopírování dat systému ZEFI",
            "Kopírovanie dát systému ZEFI",
            300,
            110,
            {
                Ctl(1023, ControlKind::Static, "", "", 7, 7, 286, 8),
                Ctl(-1, ControlKind::Static, "Zdroj:", "Zdroj:", 7, 22, 34, 8),
                Ctl(1009, ControlKind::Static, "", "", 44, 22, 249, 8),
                Ctl(-1, ControlKind::Static, "Cíl:", "Cieľ:", 7, 33, 34, 8),
                Ctl(1010, ControlKind::Static, "", "", 44, 33, 249, 8),
                Ctl(1021, ControlKind::Progress, "", "", 7, 48, 286, 12, kStyleBorder),
                Ctl(1020, ControlKind::Static, "", "", 7, 66, 286, 8),
                Ctl(kIdCancel, ControlKind::Button, "Zrušit", "Zrušiť", 125, 86, 50, 14),
            }};
}

// Confirmation before copying, with the way back to the options.
DialogTemplate WarnDialog() {
    return {kDlgWarn,
            kSetupTitleCs,
            kSetupTitleSk,
            273,
            106,
            {
                Ctl(-1, ControlKind::Static, "Instalace bude nyní pokračovat kopírováním souborů.",
                    "Inštalácia bude teraz pokračovať kopírovaním súborov.", 7, 7, 259, 8),
                Ctl(-1, ControlKind::Static, "Adresář pro instalaci:", "Adresár pre inštaláciu:", 7,
                    22, 90, 8),
                Ctl(1031, ControlKind::Static, "ZEFI", "ZEFI", 100, 22, 166, 8),
                Ctl(-1, ControlKind::Static, "Celkem instalováno:", "Celkom inštalované:", 7, 33,
                    90, 8),
                Ctl(1032, ControlKind::Static, "0 MB", "0 MB", 100, 33, 50, 8, kStyleRightAlign),
                Ctl(-1, ControlKind::Static, "Volné místo na disku:", "Voľné miesto na disku:", 7,
                    44, 90, 8),
                Ctl(1033, ControlKind::Static, "0 MB", "0 MB", 100, 44, 50, 8, kStyleRightAlign),
                Ctl(-1, ControlKind::Static, "Zkontrolujte prosím, zda systém ZEFI není spuštěn.",
                    "Skontrolujte prosím, či systém ZEFI nie je spustený.", 7, 56, 259, 8),
                // Shown only for a server whose service could not be handled; the dialog hides it
                // at start otherwise.
                Ctl(1048, ControlKind::Static,
                    "Při aktualizaci serveru ZEFI musí být Windows služba ZEFI server zastavena.",
                    "Pri aktualizácii servera ZEFI musí byť Windows služba ZEFI server zastavená.",
                    7, 67, 259, 16),
                Ctl(kIdOk, ControlKind::DefButton, "Další >>", "Ďalší >>", 158, 85, 50, 14),
                Ctl(1030, ControlKind::Button, "<< Zpět", "<< Späť", 103, 85, 50, 14),
                Ctl(kIdCancel, ControlKind::Button, "Zrušit", "Zrušiť", 216, 85, 50, 14),
            }};
}

// Installation instructions: one read-only text filling the dialog.
DialogTemplate ReadmeDialog() {
    return {kDlgReadme,
            kSetupTitleCs,
            kSetupTitleSk,
            399,
            242,
            {
                Ctl(1032, ControlKind::Edit, "", "", 7, 7, 385, 207,
                    kStyleMultiLine | kStyleReadOnly | kStyleVScroll | kStyleBorder),
                Ctl(kIdOk, ControlKind::DefButton, "OK", "OK", 174, 221, 50, 14),
            }};
}

// Copy error: what failed, on which side and why; Retry or Exit.
DialogTemplate ErrorDialog() {
    return {kDlgError,
            kSetupTitleCs,
            kSetupTitleSk,
            260,
            100,
            {
                Ctl(-1, ControlKind::Icon, "", "", 7, 7, 21, 20),
                Ctl(1037, ControlKind::Static, "Chyba při kopírování:", "Chyba pri kopírovaní:", 35,
                    9, 218, 16),
                Ctl(-1, ControlKind::Static, "Podrobnosti:", "Podrobnosti:", 35, 30, 218, 8),
                Ctl(1035, ControlKind::Static, "Chyba při otevírání ", "Chyba pri otváraní ", 35,
                    41, 218, 16),
                Ctl(1036, ControlKind::Static, "Kod chyby", "Kód chyby", 35, 60, 218, 8),
                Ctl(kIdRetry, ControlKind::Button, "Opakovat", "Opakovať", 76, 78, 50, 14),
                Ctl(kIdOk, ControlKind::DefButton, "Ukončit", "Ukoneiť", 134, 78, 50, 14),
            }};
}

// Installation options: three visible choices, the hidden part flags, sizes and free space.
DialogTemplate OptionsDialog() {
    return {kDlgOptions,
            kSetupTitleCs,
            kSetupTitleSk,
            260,
            170,
            {
                Ctl(1011, ControlKind::CheckBox, "Nahrát podle dosavadního nastavení",
                    "Nahrať podľa doterajšieho nastavenia", 7, 7, 246, 10),
                Ctl(1019, ControlKind::CheckBox, "Nahrávat pouze novější soubory",
                    "Nahrávať iba novšie súbory", 7, 19, 246, 10),
                Ctl(1021, ControlKind::CheckBox, "Vytvořit programovou skupinu",
                    "Vytvoriť programovú skupinu", 7, 31, 246, 10),
                Ctl(-1, ControlKind::GroupBox, "Velikost instalace", "Veľkosť inštalácie", 7, 46,
                    246, 80),
                // The part flags live in check boxes that the dialog never shows; each lies under
                // the label of its size row.
                Disabled(Hidden(Ctl(1017, ControlKind::CheckBox, "Část Předpisy", "Časť Predpisy",
                                    14, 58, 120, 10))),
                Ctl(-1, ControlKind::Static, "Předpisy:", "Predpisy:", 14, 59, 120, 8),
                Ctl(1024, ControlKind::Static, "0 MB", "0 MB", 140, 59, 50, 8, kStyleRightAlign),
                Hidden(Ctl(1038, ControlKind::Static, "CD1-32", "CD1-32", 196, 59, 50, 8)),
                Disabled(Hidden(Ctl(1018, ControlKind::CheckBox, "Část Literatura",
                                    "Časť Literatúra", 14, 70, 120, 10))),
                Ctl(-1, ControlKind::Static, "Literatura:", "Literatúra:", 14, 71, 120, 8),
                Ctl(1025, ControlKind::Static, "0 MB", "0 MB", 140, 71, 50, 8, kStyleRightAlign),
                Hidden(Ctl(1039, ControlKind::Static, "CD2", "CD2", 196, 71, 50, 8)),
                // The dialog sets the caption from string 138 or 139 by edition.
                Hidden(Ctl(1014, ControlKind::CheckBox, "Texty slovenských předpisů",
                           "Texty slovenských predpisov", 14, 82, 120, 10)),
                Ctl(-1, ControlKind::Static, "Texty předpisů druhého státu:",
                    "Texty predpisov druhého štátu:", 14, 83, 120, 8),
                Ctl(1028, ControlKind::Static, "0 MB", "0 MB", 140, 83, 50, 8, kStyleRightAlign),
                Hidden(Ctl(1040, ControlKind::Static, "CD4", "CD4", 196, 83, 50, 8)),
                Ctl(-1, ControlKind::Static, "Celkem instalováno:", "Celkom inštalované:", 14, 99,
                    120, 8),
                Ctl(1030, ControlKind::Static, "0 MB", "0 MB", 140, 99, 50, 8, kStyleRightAlign),
                Ctl(-1, ControlKind::Static, "Volné místo na disku:", "Voľné miesto na disku:", 14,
                    111, 120, 8),
                Ctl(1020, ControlKind::Static, "0 MB", "0 MB", 140, 111, 50, 8, kStyleRightAlign),
                Hidden(Ctl(1015, ControlKind::CheckBox, "Smazat z disku části používané z DVD",
                           "Zmazať z disku časti používané z DVD", 7, 130, 246, 10)),
                Ctl(kIdOk, ControlKind::DefButton, "Další >>", "Ďalší >>", 146, 148, 50, 14),
                Ctl(kIdCancel, ControlKind::Button, "Zrušit", "Zrušiť", 203, 148, 50, 14),
            }};
}

// Download progress: status, per-file and task bars, task line, free space, Cancel.
DialogTemplate DownDialog() {
    return {kDlgDown,
            "Stažení instalačních souborů",
            "Stiahnutie inštalačných súborov",
            305,
            115,
            {
                Ctl(1054, ControlKind::Static, "Probíhá příprava stahování ...",
                    "Prebieha príprava sťahovania ...", 7, 7, 291, 11),
                Ctl(1052, ControlKind::Progress, "", "", 19, 34, 269, 10),
                Ctl(1053, ControlKind::Progress, "", "", 19, 51, 269, 10),
                Ctl(1055, ControlKind::Static, "Static", "Static", 19, 65, 269, 8),
                SlovakAt(Ctl(1020, ControlKind::Static, "Volné místo: ", "Voľné miesto: ", 183, 76,
                             103, 9),
                         185, 74, 101, 9),
                Ctl(kIdCancel, ControlKind::Button, "Přerušit", "Prerušiť", 129, 88, 50, 14),
            }};
}

}  // namespace

std::vector<DialogTemplate> BuildDialogTemplates() {
    return {SetupDialog(),  SearchDialog(), DirDialog(),     CopyDialog(), WarnDialog(),
            ReadmeDialog(), ErrorDialog(),  OptionsDialog(), DownDialog()};
}

}  // namespace resources::detail
