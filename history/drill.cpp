#include "history/drill.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/encoding.h"

namespace kv {
namespace {

bool isLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0 || c == 0x8A || c == 0x9A ||
         c == 0x8E || c == 0x9E;
}

// Words of a line without the punctuation around them.
std::vector<std::string> wordsOf(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : line + ' ') {
    if (c == ' ' || c == '\t') {
      while (!word.empty() && !isLetter(static_cast<unsigned char>(word.back())) &&
             !(word.back() >= '0' && word.back() <= '9')) {
        word.pop_back();
      }
      std::size_t first = 0;
      while (first < word.size() && !isLetter(static_cast<unsigned char>(word[first])) &&
             !(word[first] >= '0' && word[first] <= '9')) {
        ++first;
      }
      word.erase(0, first);
      if (word.size() >= 2) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

int weakCount(const std::string& text, const std::string& weak) {
  int n = 0;
  for (const char c : text) n += weak.find(c) != std::string::npos ? 1 : 0;
  return n;
}

// Fills lines of at most `width` characters from words in order.
void wrapInto(const std::vector<std::string>& words, std::size_t width, std::vector<std::string>& lines) {
  std::string line;
  for (const std::string& w : words) {
    if (!line.empty() && line.size() + 1 + w.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += w.substr(0, width);
  }
  if (!line.empty()) lines.push_back(line);
}

// Sentences (or stretches between punctuation) of the corpus.
std::vector<std::string> sentencesOf(const std::vector<std::string>& corpus, std::size_t width) {
  std::vector<std::string> out;
  std::string current;
  const auto take = [&](std::string piece) {
    const std::size_t a = piece.find_first_not_of(' ');
    if (a == std::string::npos) return;
    piece.erase(0, a);
    while (!piece.empty() && piece.back() == ' ') piece.pop_back();
    if (piece.size() >= 20 && piece.size() <= width) out.push_back(piece);
  };
  const auto flush = [&] {
    if (current.size() <= width + 1) {
      take(current);
    } else {
      // Too long for a line: its clauses, each with its comma.
      std::size_t from = 0;
      for (std::size_t at = current.find(','); at != std::string::npos; at = current.find(',', from)) {
        take(current.substr(from, at + 1 - from));
        from = at + 1;
      }
      take(current.substr(from));
    }
    current.clear();
  };
  for (const std::string& line : corpus) {
    for (const char c : line) {
      current += c;
      if (c == '.' || c == '!' || c == '?') flush();
    }
    current += ' ';
  }
  flush();
  return out;
}

}  // namespace

DrillText buildDrill(const HistoryOverview& overview, const std::vector<std::string>& corpus) {
  DrillText drill;
  drill.title = w1252("Schwächen üben");
  for (const WeakKey& w : overview.weakKeys) {
    // The space bar and controls have no words of their own.
    if (w.ch > ' ' && drill.weakKeys.size() < 6) drill.weakKeys += static_cast<char>(w.ch);
  }
  std::vector<std::string> mistyped;
  for (const MistypedWord& w : overview.words) {
    const std::vector<std::string> clean = wordsOf(w.expected);
    for (const std::string& c : clean) {
      if (mistyped.size() < 8 && std::find(mistyped.begin(), mistyped.end(), c) == mistyped.end()) {
        mistyped.push_back(c);
      }
    }
  }
  if (drill.weakKeys.empty() && mistyped.empty()) return drill;
  if (drill.weakKeys.size() < kEnoughWeakKeys) {
    // Too little to judge: the keys with the highest miss ratio so far, then
    // the keys practised most, so the drill still trains what was typed.
    drill.tooLittleHistory = true;
    std::vector<unsigned char> tallied;
    for (int c = '!'; c < 256; ++c) {
      if (overview.keys[static_cast<std::size_t>(c)].needed > 0 && isLetter(static_cast<unsigned char>(c))) {
        tallied.push_back(static_cast<unsigned char>(c));
      }
    }
    const auto ratio = [&](unsigned char c) {
      const KeyTally& k = overview.keys[c];
      return static_cast<double>(k.missed) / static_cast<double>(k.needed);
    };
    std::stable_sort(tallied.begin(), tallied.end(), [&](unsigned char a, unsigned char b) {
      return ratio(a) != ratio(b) ? ratio(a) > ratio(b) : overview.keys[a].needed > overview.keys[b].needed;
    });
    for (const unsigned char c : tallied) {
      if (drill.weakKeys.size() >= kEnoughWeakKeys + 1) break;
      if (drill.weakKeys.find(static_cast<char>(c)) == std::string::npos) drill.weakKeys += static_cast<char>(c);
    }
  }

  // Part one: the learner's own problem words, three times each.
  std::vector<std::string> repeated;
  for (const std::string& w : mistyped) repeated.insert(repeated.end(), 3, w);
  wrapInto(repeated, kDrillLineLength, drill.lines);

  if (!drill.weakKeys.empty()) {
    // Part two: words of the texts with the most weak keys, each once, in
    // an order that mixes the keys rather than sorting them together.
    std::map<std::string, int> scored;
    for (const std::string& line : corpus) {
      for (const std::string& w : wordsOf(line)) {
        if (w.size() >= 3 && w.size() <= 16) scored[w] = weakCount(w, drill.weakKeys);
      }
    }
    std::vector<std::pair<std::string, int>> ranked(scored.begin(), scored.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
      const double da = static_cast<double>(a.second) / static_cast<double>(a.first.size());
      const double db = static_cast<double>(b.second) / static_cast<double>(b.first.size());
      return a.second != b.second ? a.second > b.second : da > db;
    });
    // Each weak key gets its share of words, and the keys take turns, so
    // that the hands move between them as in real text.
    std::map<char, std::vector<std::string>> byKey;
    for (const auto& [word, score] : ranked) {
      if (score == 0) break;
      for (const char c : drill.weakKeys) {
        if (word.find(c) != std::string::npos) {
          if (byKey[c].size() < 12) byKey[c].push_back(word);
          break;
        }
      }
    }
    std::vector<std::string> unique;
    std::set<std::string> seen;
    for (std::size_t round = 0; round < 12; ++round) {
      for (const char c : drill.weakKeys) {
        const std::vector<std::string>& words = byKey[c];
        if (round < words.size() && seen.insert(words[round]).second) unique.push_back(words[round]);
      }
    }
    // A key in no word of the texts: the key alone, in short groups.
    for (const char c : drill.weakKeys) {
      if (byKey[c].empty()) unique.insert(unique.end(), 4, std::string(3, c));
    }
    wrapInto(unique, kDrillLineLength, drill.lines);

    // Part three: whole sentences from the texts, richest in weak keys first.
    std::vector<std::string> sentences = sentencesOf(corpus, kDrillLineLength);
    std::stable_sort(sentences.begin(), sentences.end(), [&](const std::string& a, const std::string& b) {
      return weakCount(a, drill.weakKeys) * static_cast<int>(b.size()) >
             weakCount(b, drill.weakKeys) * static_cast<int>(a.size());
    });
    // Six at least, more while the drill is short of its lines; with fewer
    // weak keys in them then.
    const std::size_t closing = mistyped.empty() ? 0 : 1;
    std::set<std::string> taken;
    for (const std::string& s : sentences) {
      const bool short_ = drill.lines.size() + closing < kDrillLinesAtLeast;
      if ((taken.size() >= 6 && !short_) || weakCount(s, drill.weakKeys) < (short_ ? 1 : 2)) break;
      if (taken.insert(s).second) drill.lines.push_back(s);
    }
    // Texts too few for that: the words once more, in another order.
    for (std::size_t turn = 1; drill.lines.size() + closing < kDrillLinesAtLeast && !unique.empty() && turn < 20;
         ++turn) {
      std::vector<std::string> again = unique;
      std::rotate(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(turn % again.size()), again.end());
      std::vector<std::string> more;
      wrapInto(again, kDrillLineLength, more);
      for (const std::string& line : more) {
        if (drill.lines.size() + closing >= kDrillLinesAtLeast) break;
        drill.lines.push_back(line);
      }
    }
  }
  // The problem words once more at the end, once each.
  if (!mistyped.empty()) wrapInto(mistyped, kDrillLineLength, drill.lines);
  return drill;
}

}  // namespace kv
