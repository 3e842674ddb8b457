#include "texts/builtin_texts.h"

#include <initializer_list>
#include <string_view>

#include "platform/encoding.h"

namespace kv {
namespace {

// Each lesson adds to the letters of the one before: the home row with e and
// i, then g and h, the comma, capitals and the full stop, and finally the whole
// keyboard. The lines of texts 1 to 4 have 59 characters each, those of text 5
// between 56 and 59, and no line starts or ends with a blank.
struct TextLiteral {
  std::string_view title;
  std::initializer_list<std::string_view> lines;
};

const TextLiteral kTexts[] = {
    {"Beispiel 01: Erarbeitung e und i",
     {
         "fded fded fded fded sded sded sded sded aded aded aded aded",
         "efef efef eded eded eses eses eaea eaea fede dese sede aede",
         "jkik jkik jkik jkik lkik lkik lkik lkik ökik ökik ökik ökik",
         "ijij ijij ikik ikik ilil ilil iöiö iöiö jiki kili liki öiki",
     }},
    {"Beispiel 02: Wörter",
     {
         "des des des öde öde öde des öde des öde des öde des öde des",
         "ade ade ade die die die ade die ade die ade die ade die ade",
         "sie sie sie sei sei sei sie sei sie sei sie sei sie sei sie",
         "lade lade lade jede jede jede lade jede lade jede lade jede",
         "edel edel edel feil feil feil edel feil edel feil edel feil",
         "lief lief lief fiel fiel fiel lief fiel lief fiel lief fiel",
         "sage sage sage lege lege lege sage lege sage lege sage lege",
         "jedes jedes jedes ledig ledig ledig jedes ledig jedes ledig",
         "leise leise leise eilig eilig eilig leise eilig leise eilig",
         "helle helle helle kahle kahle kahle helle kahle helle kahle",
     }},
    {"Beispiel 03: Wendungen",
     {
         "es lief, lese alles, fasse es, sage das, sei agil, jage es,",
         "sie lag da, lies das, sieh da, leih es, hege es, sag es ja,",
         "die idee gefiel, das lied, alle seile, die gasse, das fell,",
         "sei leise, sei edel, lass das, fass es, heile es, feile es,",
         "das geld, die halle, die halde, die allee, sei da, lies es,",
         "öle das fass, die öde halde, alles ideal, sag es leise, ja,",
         "das glas fiel, das gas, elf esel, sie sah alles, da lag es,",
         "die heide, die seide, das siegel, das segel, die kasse, ja,",
         "jede gasse, jede halle, die klasse, das leid, geh, sieh da,",
         "lies es leise, lass es da, hilf alle, sei gesellig, sag ja,",
         "die kahle halde, das helle glas, sie half, es fiel, sei da,",
         "jedes lied gefiel, sag das alles, sie las es, lies es, geh,",
     }},
    {"Beispiel 04: Sätze",
     {
         "Lies die Sage. Sie lief Ski. Sage es Lisa. Das Lied gefiel.",
         "Elke sah die Heide. Das Glas fiel. Die Seide gefiel Gisela.",
         "Lisa sah das Segel. Heidi las die Sage. Heike sah das Fass.",
         "Kai half Helga. Helga, sei leise. Silke las das Lied leise.",
         "Die Idee gefiel Silke. Die Halde lag kahl da. Das Eis fiel.",
         "Gisela half Elias. Elke, lies das Lied. Sie sah die Kiesel.",
         "Ida sah die Esel. Elke lieh Gesa das Glas. Das Fell lag da.",
         "Jede Gasse lag leise da. Das Siegel lag da. Kai lief eilig.",
         "Gesa sah die Allee. Kai sah das Feld. Sieh das Siegel, Kai.",
         "Helga lieh Kai das Geld. Die Kasse lag da. Elke half Heike.",
     }},
    {"Beispiel 05: Übungstext",
     {
         "Die Idee zum Bau einer Schreibmaschine hatte der Engländer",
         "Henry Mill, der im Jahr 1714 ein Patent auf eine Maschine",
         "zum Drucken von Buchstaben erhielt. Ob er sie tatsächlich",
         "gebaut hat, weiß man nicht. Im 19. Jahrhundert versuchten",
         "sich viele an der Aufgabe: Der Italiener Pellegrino Turri",
         "baute um 1808 eine Maschine für eine blinde Gräfin, und der",
         "Tiroler Peter Mitterhofer fertigte ab 1864 mehrere Modelle",
         "aus Holz. Der Däne Rasmus Malling-Hansen erfand um 1865 die",
         "Schreibkugel, die später auch Friedrich Nietzsche benutzte.",
         "Den Durchbruch schafften die Amerikaner Christopher Sholes",
         "und Carlos Glidden: Ihre Maschine kam 1874 bei der Firma",
         "Remington auf den Markt. Sie schrieb nur Großbuchstaben;",
         "den Text sah man erst, wenn das Papier weitergedreht war.",
         "Auf sie geht die Tastenfolge QWERTY zurück, aus der später",
         "im deutschen Sprachraum QWERTZ wurde. Ab 1878 gab es eine",
         "Umschalttaste, mit der man große und kleine Buchstaben mit",
         "derselben Taste schreiben konnte. Im Jahr 1888 zeigte Frank",
         "McGurrin in einem Wettschreiben, wie schnell man mit allen",
         "zehn Fingern und ohne Blick auf die Tasten schreiben kann.",
         "Damit begann der Siegeszug des Zehnfinger-Tastschreibens.",
         "In Deutschland wurden Marken wie Adler, Olympia, Triumph",
         "und Erika bekannt, deren Schreibmaschinen bald in Behörden,",
         "Schulen und Haushalten unentbehrlich wurden. Danach kamen",
         "elektrische Maschinen auf, und 1961 brachte IBM die erste",
         "Kugelkopfmaschine heraus: Ein Kugelkopf mit allen Zeichen",
         "ersetzte die vielen Typenhebel. Später kamen elektronische",
         "Typenradmaschinen mit Speicher und Korrekturband hinzu. Mit",
         "dem Personal Computer setzte sich in den 1980er-Jahren die",
         "Textverarbeitung durch: Texte lassen sich seitdem bequem am",
         "Bildschirm schreiben, verbessern und beliebig oft drucken.",
         "Die Schreibmaschine ist aus den Büros nahezu verschwunden,",
         "doch ihre Tastatur und das Zehnfingersystem sind geblieben.",
     }},
};

std::vector<BuiltinText> convertTexts() {
  std::vector<BuiltinText> texts;
  for (const TextLiteral& literal : kTexts) {
    BuiltinText text{w1252(literal.title), {}};
    for (std::string_view line : literal.lines) text.lines.push_back(w1252(line));
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace

std::string builtinArchiveName() { return "Beispieltexte"; }

const std::vector<BuiltinText>& builtinTexts() {
  static const std::vector<BuiltinText> texts = convertTexts();
  return texts;
}

void fillBuiltinHeader(TextArchiveHeader& header) {
  const std::vector<BuiltinText>& texts = builtinTexts();
  header.archiveName = builtinArchiveName();
  header.textCount = static_cast<std::uint8_t>(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    TextEntry& entry = header.entries[i];
    entry.title = texts[i].title;
    entry.lineCount = static_cast<std::int32_t>(texts[i].lines.size());
    entry.charCount = 0;
    for (const std::string& line : texts[i].lines) {
      entry.charCount += static_cast<std::int32_t>(line.size()) + 2;
    }
  }
}

bool BuiltinTextSource::readLines(int n, std::vector<std::string>& lines) {
  const std::vector<BuiltinText>& texts = builtinTexts();
  if (n < 1 || static_cast<std::size_t>(n) > texts.size()) return false;
  const std::vector<std::string>& source = texts[static_cast<std::size_t>(n) - 1].lines;
  lines.insert(lines.end(), source.begin(), source.end());
  return true;
}

}  // namespace kv
