#include "session/next_character.h"

#include <cctype>

#include "platform/encoding.h"

namespace kv {

NextCharacter nextCharacter(const std::vector<std::string>& textLines, const std::vector<std::string>& typedLines,
                            ExerciseForm form, int firstShownLine, int runningLine) {
  NextCharacter next;
  if (textLines.empty()) return next;
  const int line = typedLines.empty() ? 0 : static_cast<int>(typedLines.size()) - 1;
  if (line >= static_cast<int>(textLines.size())) return next;
  const std::string& wanted = textLines[static_cast<std::size_t>(line)];
  const int column = typedLines.empty() ? 0 : static_cast<int>(typedLines.back().size());
  next.line = line;
  next.column = column;
  if (column < static_cast<int>(wanted.size())) {
    next.kind = NextCharacter::Kind::Character;
    next.ch = static_cast<unsigned char>(wanted[static_cast<std::size_t>(column)]);
  } else if (line + 1 < static_cast<int>(textLines.size())) {
    next.kind = NextCharacter::Kind::LineEnd;
  } else {
    return NextCharacter{};  // the whole text is typed
  }
  switch (form) {
    case ExerciseForm::OnScreenText:
      // Six lines are shown from the first shown one.
      if (line >= firstShownLine && line < firstShownLine + 6) next.row = line - firstShownLine;
      break;
    case ExerciseForm::RunningText: {
      // The line before the revealed one stays on the first row.
      const int revealedRow = runningLine > 0 ? 1 : 0;
      if (line == runningLine) next.row = revealedRow;
      if (line + 1 == runningLine) next.row = 0;
      break;
    }
    default:
      break;
  }
  return next;
}

std::string spokenCharacter(const NextCharacter& next) {
  if (next.kind == NextCharacter::Kind::None) return {};
  if (next.kind == NextCharacter::Kind::LineEnd) return "Zeilenschaltung";
  const unsigned char c = next.ch;
  switch (c) {
    case ' ': return "Leerzeichen";
    case '.': return "Punkt";
    case ',': return "Komma";
    case ';': return "Semikolon";
    case ':': return "Doppelpunkt";
    case '-': return "Bindestrich";
    case '?': return "Fragezeichen";
    case '!': return "Ausrufezeichen";
    case '"': return w1252("Anführungszeichen");
    case '\'': return "Apostroph";
    case '(': return "Klammer auf";
    case ')': return "Klammer zu";
    case '/': return w1252("Schrägstrich");
    case '\\': return w1252("umgekehrter Schrägstrich");
    case '&': return "Und-Zeichen";
    case '%': return "Prozent";
    case '+': return "Plus";
    case '*': return "Stern";
    case '=': return "Gleichheitszeichen";
    case '#': return "Raute";
    case '@': return "At-Zeichen";
    case '_': return "Unterstrich";
    case '<': return "kleiner als";
    case '>': return w1252("größer als");
    case 0xA7: return "Paragraf";
    case 0x80: return "Euro";
    case 0xDF: return w1252("scharfes S");
    default: break;
  }
  const std::string one(1, static_cast<char>(c));
  if (c >= '0' && c <= '9') return one;
  const std::string upperUmlauts = w1252("ÄÖÜ");
  const bool upper = (c >= 'A' && c <= 'Z') || upperUmlauts.find(static_cast<char>(c)) != std::string::npos;
  return upper ? w1252("großes ") + one : one;
}

}  // namespace kv
