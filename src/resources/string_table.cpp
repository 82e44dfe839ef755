// The string table of the program, Czech and Slovak side by side, UTF-8.
//
// Texts are kept letter for letter, the odd typing slip included ("Pořipojte", "Ureite"): do
// not correct them. Placeholders must be the same, in the same order, in both languages.
#include "resources/string_table.h"

namespace resources::detail {

const StringEntry kStringTable[] = {
    // Start-up.
    {100, "OLE initialization failed.  Make sure that the OLE libraries are the correct version.",
     "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    // Cancel question of the copy and download dialogs.
    {101, "Opravdu chcete přerušit instalaci?", "Ureite chcete prerušiť inštaláciu?"},
    // Disk prompt of the script engine: the same text in both languages.
    {102, "Vložte prosím %s", "Vložte prosím %s"},
    {103,
     "Konfigurační soubor je poškozen\nZvolte prosím, že nechcete nahrávat podle stávajícího "
     "nastavení",
     "Konfiguračný súbor je poškodený\nZvoľte prosím, že nechcete nahrávať podľa doterajšieho "
     "nastavenia"},
    // Options dialog: too little free space.
    {104,
     "Jestliže nově instalujete celé ZEFI, nebo některé jeho části z DVD, zřejmi nemáte na disku "
     "dostatek místa.\nChcete přesto pokračovat?",
     "Ak nanovo inštalujete celé ZEFI alebo niektoré jeho časti z DVD, zrejme nemáte na disku "
     "dostatok miesta.\nChcete napriek tomu pokračovať?"},
    // Install driver.
    {106, "Instalaci nelze spustit ze síťové cesty. Pořipojte si prosím %s jako lokální disk.",
     "Inštaláciu nie je možné spustiť zo sieťovej cesty. Pripojte si prosím %s ako lokálny "
     "disk."},
    {107, "Nebyl nalezen konfiguračení soubor %s. Instalaci nelze spustit",
     "Nebol nájdený konfiguračný súbor %s. Inštaláciu nie je možné spustiť"},
    {108, "Neznámý disk '%s'", "Neznámy disk '%s'"},
    {109, "Adresář %s neexistuje, má se vytvořit?", "Adresár %s neexistuje, má sa vytvoriť?"},
    {110, "Nepodařilo se vytvořit adresář %s", "Nepodarilo sa vytvoriť adresár %s"},
    {111, "Instalace/aktualizace proběhla úspěšně", "Inštalácia/aktualizácia prebehla úspešne"},
    {112, "Instalace/aktualizace přerušena", "Inštalácia/aktualizácia prerušená"},
    // Copy error dialog: headlines, details and error-code lines.
    {125, "Chyba při kopírování %s", "Chyba pri kopírovaní %s"},
    {126, "Chyba při mazaní %s", "Chyba pri mazaní %s"},
    {127, "Chyba při vytváření adresáře %s", "Chyba pri vytváraní adresára %s"},
    {128, "Chyba při instalaci %s", "Chyba pri inštalácii %s"},
    {129, "Chyba při zápisu %s", "Chyba pri zápise %s"},
    {130, "Chyba při čtení %s", "Chyba pri čítaní %s"},
    {131, "Přístup odepřen (Kód chyby: %s)", "Prístup odoprený (Kód chyby: %s)"},
    {132, "Zaplněný disk (Kód chyby: %s)", "Zaplnený disk (Kód chyby: %s)"},
    {133, "Soubor nebo adresář již existuje (Kód chyby: %s)",
     "Súbor alebo adresár už existuje (Kód chyby: %s)"},
    {134, "Soubor je používán jiným procesem (Kód chyby: %s)",
     "Súbor je používaný iným procesom (Kód chyby: %s)"},
    {135, "Soubor nenalezen (Kód chyby: %s)", "Súbor sa nenašiel (Kód chyby: %s)"},
    {136, "Cesta nenalezena (Kód chyby: %s)", "Cesta sa nenašla (Kód chyby: %s)"},
    {137, "Kód chyby: %s)", "Kód chyby: %s)"},
    // Options dialog: the other country's regulation texts, by edition.
    {138, "Texty slovenských předpisů", "Texty slovenských predpisov"},
    {139, "Texty českých předpisů", "Texty českých predpisov"},
    // Copy progress dialog.
    {140, "Kontrolují se nainstalované součásti...", "Kontrolujú sa nainštalované súčasti..."},
    {141, "Probíhá kopírování...", "Prebieha kopírovanie..."},
    {142, "Volné místo: %s GB", "Voľné miesto: %s GB"},
    // Server service.
    {144, "Nepodařilo se zastavit službu \"Zefi Server\"",
     "Nepodarilo sa zastaviť službu \"Zefi Server\""},
    {145, "Služba \"Zefi Server\" je spuštěna!\nChcete ji zastavit?",
     "Služba \"Zefi Server\" je spustená!\nChcete ju zastaviť?"},
    {146, "Služba \"Zefi Server\" není spuštěna!\nChcete ji spustit?",
     "Služba \"Zefi Server\" nie je spustená!\nChcete ju spustiť?"},
    {147, "Nepodařilo se spustit službu \"Zefi Server\"",
     "Nepodarilo sa spustiť službu \"Zefi Server\""},
    {148, "Synchronizace adresářové struktury...", "Synchronizácia adresárovej štruktúry..."},
    // Script action ewm.
    {150, "Chyba při instalaci 0x%04X", "Chyba pri inštalácii 0x%04X"},
    // Download dialog and download run.
    {151, "Stahování souboru %s", "Sťahovanie súboru %s"},
    {152, "Kontrola staženého souboru %s", "Kontrola stiahnutého súboru %s"},
    {153, "Kontrola nalezeného souboru %s", "Kontrola nájdeného súboru %s"},
    {154, "Získání informací z internetu ......", "Získanie informácií z internetu ......"},
    {155, "Příprava instalace ZEFI", "Príprava inštalácie ZEFI"},
    {157, "Úkol: %d/%d, Odhadovaný čas: %s", "Úloha: %d/%d, Odhadovaný čas: %s"},
    {158, "Došlo ke změně aktualizačních dat.", "Došlo ku zmene aktualizačných dát."},
    {159, "Chyba komunikace %ld %ld", "Chyba komunikácie %ld %ld"},
    {160, "Komunikace byla přešena %ld", "Komunikácia bola prešená %ld"},
    {162, "Tuto verzi dat již máte nainstalovanou.\nChcete přesto pokračovat?",
     "Túto verziu dát už máte nainštalovanú.\nChcete napriek tomu pokračovať?"},
    // Image attachment.
    {163, "Stažený soubor není disk pro ZEFI.", "Stiahnutý súbor nie je disk pre ZEFI."},
    {164, "Chyba označení disku ZEFI.", "Chyba označenia disku ZEFI."},
    // The end of a failed download run: the step with its file, the code, and the log.
    {170,
     "Stažení instalačních souborů se nezdařilo.\n%s\n%s\nPodrobnosti jsou v souboru "
     "inetzefi.log v aktuálním adresáři.",
     "Stiahnutie inštalačných súborov sa nepodarilo.\n%s\n%s\nPodrobnosti sú v súbore "
     "inetzefi.log v aktuálnom adresári."},
    {171, "Kód libcurl: %ld, kód systémové chyby: %ld",
     "Kód libcurl: %ld, kód systémovej chyby: %ld"},
    {172, "Stavový kód HTTP: %ld", "Stavový kód HTTP: %ld"},
    {173, "Načtení souboru %s", "Načítanie súboru %s"},
    {174, "Kód chyby: %ld", "Kód chyby: %ld"},
    // A second installation run while one is active on this machine.
    {175,
     "Na tomto počítači právě probíhá jiná instalace nebo aktualizace systému ZEFI.\nPočkejte "
     "prosím, až skončí, a spusťte instalaci znovu.",
     "Na tomto počítači práve prebieha iná inštalácia alebo aktualizácia systému ZEFI.\nPočkajte "
     "prosím, kým skončí, a spustite inštaláciu znova."},
    // Text a person typed that the system's code page cannot hold, and a choice the console
    // offers but cannot take now.
    {180,
     "Znak „%s“ nelze použít: systém jej v názvech a textech neumí uložit.\nOpravte prosím zadaný "
     "text.",
     "Znak „%s“ nie je možné použiť: systém ho v názvoch a textoch nevie uložiť.\nOpravte prosím "
     "zadaný text."},
    {181, "Volba je nedostupná", "Voľba je nedostupná"},
    // Usage of the command line (-?): the options, then the exit statuses.
    {185,
     "Použití: zefisetup [volby]\n"
     "  -i adresář   adresář instalačního média (DVD)\n"
     "  -o adresář   cílový adresář; uloží se do registru jako InstallDir\n"
     "  -O adresář   cílový adresář; do registru se neukládá\n"
     "  -q volby     bezobslužná instalace, dialog voleb se zobrazí\n"
     "  -Q volby     bezobslužná instalace bez dialogu voleb, např. -Q 1,0,1,1,1\n"
     "  -s           okna zpráv se zodpoví sama výchozím tlačítkem; každá odpověď se zapíše\n"
     "               do inszefi.log a na standardní chybový výstup\n"
     "  -d adresář   smaže z adresáře kopie instalačního programu\n"
     "  -m adresa    adresa seznamu serverů pro stahování\n"
     "  -x proxy     proxy server pro stahování\n"
     "  -u jméno     uživatel proxy serveru\n"
     "  -p heslo     heslo proxy serveru\n"
     "  -?           zobrazí tento přehled\n"
     "Stejné volby lze zadat v hodnotě registru AutoParam.",
     "Použitie: zefisetup [voľby]\n"
     "  -i adresár   adresár inštalačného média (DVD)\n"
     "  -o adresár   cieľový adresár; uloží sa do registra ako InstallDir\n"
     "  -O adresár   cieľový adresár; do registra sa neukladá\n"
     "  -q voľby     bezobslužná inštalácia, dialóg volieb sa zobrazí\n"
     "  -Q voľby     bezobslužná inštalácia bez dialógu volieb, napr. -Q 1,0,1,1,1\n"
     "  -s           okná správ sa zodpovedia samy predvoleným tlačidlom; každá odpoveď sa\n"
     "               zapíše do inszefi.log a na štandardný chybový výstup\n"
     "  -d adresár   zmaže z adresára kópie inštalačného programu\n"
     "  -m adresa    adresa zoznamu serverov na sťahovanie\n"
     "  -x proxy     proxy server na sťahovanie\n"
     "  -u meno      používateľ proxy servera\n"
     "  -p heslo     heslo proxy servera\n"
     "  -?           zobrazí tento prehľad\n"
     "Rovnaké voľby je možné zadať v hodnote registra AutoParam."},
    {186,
     "Návratové kódy:\n"
     "   0  instalace/aktualizace proběhla úspěšně, nebo hlavní nabídka zavřena bez instalace\n"
     "   1  instalační skript ukončil instalaci příkazem quit\n"
     "   2  chybný příkazový řádek nebo nečitelný soubor odpovědí\n"
     "   3  instalaci zrušil uživatel v dialogu\n"
     "   4  instalace/aktualizace přerušena\n"
     "   5  chyba při kopírování ukončena tlačítkem Ukončit\n"
     "   6  nebyl nalezen instalační skript (cd.cfg, cds.cfg)\n"
     "   7  zdrojový nebo cílový adresář odmítnut\n"
     "   8  nepodařilo se zastavit službu Zefi Server\n"
     "   9  stažení dat se nezdařilo\n"
     "  10  tato verze dat je již nainstalována a instalace nepokračovala\n"
     "  11  již běží jiná instalace nebo okno instalace\n"
     "  12  vnitřní chyba programu",
     "Návratové kódy:\n"
     "   0  inštalácia/aktualizácia prebehla úspešne, alebo hlavná ponuka zatvorená bez "
     "inštalácie\n"
     "   1  inštalačný skript ukončil inštaláciu príkazom quit\n"
     "   2  chybný príkazový riadok alebo nečitateľný súbor odpovedí\n"
     "   3  inštaláciu zrušil používateľ v dialógu\n"
     "   4  inštalácia/aktualizácia prerušená\n"
     "   5  chyba pri kopírovaní ukončená tlačidlom Ukončiť\n"
     "   6  nebol nájdený inštalačný skript (cd.cfg, cds.cfg)\n"
     "   7  zdrojový alebo cieľový adresár odmietnutý\n"
     "   8  nepodarilo sa zastaviť službu Zefi Server\n"
     "   9  stiahnutie dát sa nepodarilo\n"
     "  10  táto verzia dát je už nainštalovaná a inštalácia nepokračovala\n"
     "  11  už beží iná inštalácia alebo okno inštalácie\n"
     "  12  vnútorná chyba programu"},
    // A package list that its signature does not vouch for: the reason, and the log.
    {190,
     "Seznam instalačních souborů na serveru byl odmítnut: %s\nNebyl stažen žádný disk a nic "
     "nebylo nainstalováno. Podrobnosti jsou v souboru inetzefi.log v aktuálním adresáři.",
     "Zoznam inštalačných súborov na serveri bol odmietnutý: %s\nNebol stiahnutý žiadny disk a "
     "nič nebolo nainštalované. Podrobnosti sú v súbore inetzefi.log v aktuálnom adresári."},
    {191, "chybí jeho elektronický podpis.", "chýba jeho elektronický podpis."},
    {192, "jeho elektronický podpis není platný nebo nepatří vydavateli.",
     "jeho elektronický podpis nie je platný alebo nepatrí vydavateľovi."},
    {193, "je starší (číslo %s) než seznam již použitý (číslo %s).",
     "je starší (číslo %s) ako už použitý zoznam (číslo %s)."},
    {194, "jeho platnost skončila dne %s.", "jeho platnosť skončila dňa %s."},
    // The application title: caption of every message box.
    {57344, "Setup systému ZEFI", "Setup systému ZEFI"},
};

const size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);

}  // namespace resources::detail
