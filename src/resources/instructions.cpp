// Text resource 145: the installation instructions in Czech and Slovak, shown by the
// instructions dialog when the medium carries no instructions file of its own.
#include <string>

#include "resources/dialogs.h"
#include "resources/strings.h"

namespace resources {

namespace {

constexpr const char* kInstructionsCs = R"(ZEFI pro Windows - pokyny k instalaci
=====================================

SPUŠTĚNÍ INSTALACE

Vložte instalační DVD do mechaniky. Instalace se obvykle spustí sama;
pokud ne, spusťte program SETUP.EXE z kořenového adresáře DVD (například
poklepáním v okně Tento počítač nebo příkazem D:\SETUP.EXE, kde D: je
písmeno mechaniky DVD).

Instalační program se nejprve sám zkopíruje do dočasného adresáře
systému Windows (TEMP) a spustí se odtud, aby DVD nebylo během instalace
blokováno. Do tohoto adresáře také zapisuje záznamy o průběhu instalace
(soubory inszefi.log a inetzefi.log).

Je-li program spuštěn mimo instalační DVD, stáhne aktuální instalační
data (obrazy disků) z internetu do cílového adresáře, ověří je
a nainstaluje z nich.

PŘED INSTALACÍ

Během instalace nebo aktualizace nesmí být program ZEFI pro Windows
spuštěn. Ukončete jej. Při síťové instalaci ukončete ZEFI pro Windows
na všech počítačích v síti, které jej používají. Při aktualizaci serveru
musí být zastavena služba Windows "Zefi Server"; instalační program
nabídne její zastavení a po skončení instalace její opětovné spuštění.

Instalaci spouštějte pod účtem s právy správce počítače.

HLAVNÍ NABÍDKA

Instalace/Aktualizace - nainstaluje ZEFI pro Windows nebo aktualizuje
    existující instalaci. Program vyhledá dosavadní instalaci, nabídne
    cílový adresář (obvykle C:\ZEFI), zobrazí volby instalace a jejich
    velikost, požádá o potvrzení a poté zkopíruje soubory.
Pokyny k instalaci - zobrazí tyto pokyny.
Konec - ukončí instalační program.

Volby instalace:
  Nahrát podle dosavadního nastavení - aktualizace zachová nainstalované
      části a jejich umístění (na disku nebo na DVD).
  Nahrávat pouze novější soubory - kopírují se jen soubory, které se od
      nainstalovaných liší datem nebo velikostí.
  Vytvořit programovou skupinu - v nabídce Start vznikne skupina
      "Zefi pro Windows" se zástupcem programu.

INSTALACE BEZ OBSLUHY

Instalační program lze spustit s parametry příkazové řádky, například:

  SETUP.EXE -o C:\ZEFI -Q 1,0,1,1

  -o adresář    cílový adresář instalace; uloží se jako výchozí
                pro příští instalace
  -O adresář    cílový adresář instalace; neuloží se
  -i adresář    adresář s instalačními soubory (například kořen DVD)
  -q volby      instalace bez hlavní nabídky, bez dotazu na cílový
                adresář a bez potvrzení; dialog voleb se zobrazí
  -Q volby      jako -q, ale bez dialogu voleb
  -m adresa     adresa seznamu serverů pro stažení z internetu
  -x proxy      proxy server pro stahování (server:port)
  -u uživatel   uživatelské jméno pro proxy server
  -p heslo      heslo pro proxy server

Volby pro -q a -Q jsou čísla 0 nebo 1 oddělená čárkami, v tomto pořadí:
  1. nahrát podle dosavadního nastavení,
  2. smazat z disku části používané z DVD,
  3. nahrávat pouze novější soubory,
  4. vytvořit programovou skupinu,
  5. instalovat texty předpisů druhého státu.
Vynechané položky ponechají své výchozí nastavení.

Hodnotu, která obsahuje mezery, uzavřete do uvozovek, například
-o "C:\Program Files\ZEFI". Nelze-li cílový adresář zjistit, zobrazí
se dotaz na něj i při instalaci bez obsluhy.

Parametry lze také uložit do registru, do hodnoty AutoParam klíče
HKEY_LOCAL_MACHINE\SOFTWARE\Zefi Publishing\ZEFI; parametry příkazové
řádky se pak nepoužijí.

TECHNICKÁ PODPORA

S dotazy a problémy při instalaci se obracejte na technickou podporu
vydavatele:

  Technická podpora vydavatele - Zefi Publishing
  e-mail:  podpora@zefi.cz

Ke zprávě prosím připojte soubory inszefi.log a inetzefi.log
z dočasného adresáře (TEMP), ze kterého instalace běžela.
)";

constexpr const char* kInstructionsSk = R"(ZEFI pre Windows - pokyny k inštalácii
======================================

SPUSTENIE INŠTALÁCIE

Vložte inštalačné DVD do mechaniky. Inštalácia sa zvyčajne spustí sama;
ak nie, spustite program SETUP.EXE z koreňového adresára DVD (napríklad
dvojitým kliknutím v okne Tento počítač alebo príkazom D:\SETUP.EXE, kde
D: je písmeno mechaniky DVD).

Inštalačný program sa najprv sám skopíruje do dočasného adresára
systému Windows (TEMP) a spustí sa odtiaľ, aby DVD nebolo počas
inštalácie blokované. Do tohto adresára tiež zapisuje záznamy
o priebehu inštalácie (súbory inszefi.log a inetzefi.log).

Ak je program spustený mimo inštalačného DVD, stiahne aktuálne
inštalačné dáta (obrazy diskov) z internetu do cieľového adresára,
overí ich a nainštaluje z nich.

PRED INŠTALÁCIOU

Počas inštalácie alebo aktualizácie nesmie byť program ZEFI pre Windows
spustený. Ukončite ho. Pri sieťovej inštalácii ukončite ZEFI pre Windows
na všetkých počítačoch v sieti, ktoré ho používajú. Pri aktualizácii
servera musí byť zastavená služba Windows "Zefi Server"; inštalačný
program ponúkne jej zastavenie a po skončení inštalácie jej opätovné
spustenie.

Inštaláciu spúšťajte pod účtom s právami správcu počítača.

HLAVNÁ PONUKA

Inštalácia/Aktualizácia - nainštaluje ZEFI pre Windows alebo aktualizuje
    existujúcu inštaláciu. Program vyhľadá doterajšiu inštaláciu, ponúkne
    cieľový adresár (zvyčajne C:\ZEFI), zobrazí voľby inštalácie a ich
    veľkosť, požiada o potvrdenie a potom skopíruje súbory.
Pokyny k inštalácii - zobrazí tieto pokyny.
Koniec - ukončí inštalačný program.

Voľby inštalácie:
  Nahrať podľa doterajšieho nastavenia - aktualizácia zachová
      nainštalované časti a ich umiestnenie (na disku alebo na DVD).
  Nahrávať iba novšie súbory - kopírujú sa len súbory, ktoré sa od
      nainštalovaných líšia dátumom alebo veľkosťou.
  Vytvoriť programovú skupinu - v ponuke Štart vznikne skupina
      "Zefi pro Windows" so zástupcom programu.

INŠTALÁCIA BEZ OBSLUHY

Inštalačný program je možné spustiť s parametrami príkazového riadka,
napríklad:

  SETUP.EXE -o C:\ZEFI -Q 1,0,1,1

  -o adresár    cieľový adresár inštalácie; uloží sa ako predvolený
                pre ďalšie inštalácie
  -O adresár    cieľový adresár inštalácie; neuloží sa
  -i adresár    adresár s inštalačnými súbormi (napríklad koreň DVD)
  -q voľby      inštalácia bez hlavnej ponuky, bez otázky na cieľový
                adresár a bez potvrdenia; dialóg volieb sa zobrazí
  -Q voľby      ako -q, ale bez dialógu volieb
  -m adresa     adresa zoznamu serverov na stiahnutie z internetu
  -x proxy      proxy server na sťahovanie (server:port)
  -u používateľ používateľské meno pre proxy server
  -p heslo      heslo pre proxy server

Voľby pre -q a -Q sú čísla 0 alebo 1 oddelené čiarkami, v tomto poradí:
  1. nahrať podľa doterajšieho nastavenia,
  2. zmazať z disku časti používané z DVD,
  3. nahrávať iba novšie súbory,
  4. vytvoriť programovú skupinu,
  5. inštalovať texty predpisov druhého štátu.
Vynechané položky ponechajú svoje predvolené nastavenie.

Hodnotu, ktorá obsahuje medzery, uzavrite do úvodzoviek, napríklad
-o "C:\Program Files\ZEFI". Ak nie je možné cieľový adresár zistiť,
zobrazí sa otázka naň aj pri inštalácii bez obsluhy.

Parametre je možné uložiť aj do registra, do hodnoty AutoParam kľúča
HKEY_LOCAL_MACHINE\SOFTWARE\Zefi Publishing\ZEFI; parametre príkazového
riadka sa potom nepoužijú.

TECHNICKÁ PODPORA

S otázkami a problémami pri inštalácii sa obracajte na technickú
podporu vydavateľa:

  Technická podpora vydavateľa - Zefi Publishing
  e-mail:  podpora@zefi.cz

K správe prosím pripojte súbory inszefi.log a inetzefi.log
z dočasného adresára (TEMP), z ktorého inštalácia bežala.
)";

// The texts are kept with LF line ends in the source; the resource, like a text file on the
// medium, has CR LF.
std::string WithCrLf(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') out += '\r';
        out += *p;
    }
    return out;
}

}  // namespace

std::string LoadTextResource(int id, uint16_t langId) {
    if (id != kTextInstructions) return std::string();
    return WithCrLf(IsSlovak(langId) ? kInstructionsSk : kInstructionsCs);
}

}  // namespace resources
