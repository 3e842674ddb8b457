#include "adaptive/lesson_text.h"

#include <algorithm>
#include <cmath>
#include <bitset>
#include <unordered_map>

#include "adaptive/lesson_random.h"
#include "adaptive/lesson_tokens.h"
#include "texts/text_model.h"

namespace kv {
namespace {

// Candidates drawn for each word of the lesson: ordinary ones, some for each
// weak key, some for keys the lesson still lacks. The best of them is taken.
constexpr std::size_t kGeneralCandidates = 12;
constexpr std::size_t kCandidatesPerWeakKey = 4;
constexpr std::size_t kCandidatesForMissingKeys = 3;
// A word bringing a key the lesson lacks outweighs any weighting.
constexpr double kCoverageWeight = 1.0;
// What every word scores: with all goals met, the words come as they are drawn.
constexpr double kBaseScore = 0.001;
// Each earlier use of a word in the lesson takes a quarter off its score: a
// rare letter may have only a few words, which then come again.
constexpr double kRepeatPenalty = 0.75;
// A line with less room left than this is full: only the shortest words
// would fit, and the line would be made of them.
constexpr std::size_t kLeastRoom = 3;

// Keystrokes of the text on one course key, as addKeystrokes counts them.
double strokesOn(unsigned char key, std::string_view text) {
  double strokes = 0.0;
  for (const char c : text) {
    const auto ch = static_cast<unsigned char>(c);
    if (isCapitalLetter(ch)) {
      strokes += key == kShiftKey || key == smallLetter(ch) ? 1.0 : 0.0;
    } else if (ch == key) {
      strokes += countKeystrokes(ch);
    }
  }
  return strokes;
}

std::vector<std::string> split(const std::string& line, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = line.find(separator); at != std::string::npos; at = line.find(separator, start)) {
    parts.push_back(line.substr(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(line.substr(start));
  return parts;
}

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : separator) + part;
  return line;
}

class Composer {
 public:
  Composer(const LessonRequest& request, const WordBank& words)
      : request_(request),
        random_(request.seed),
        source_(request.open, words, request.lineLength),
        separator_(request.open.has(' ') ? " " : "") {
    for (const unsigned char key : request.weakKeys) {
      const bool focus = key == request.weakKeys.front();
      if (request.open.has(key)) goals_.emplace_back(key, weakKeyGoal(key, focus, words));
    }
    for (const unsigned char key : request.open.inCourseOrder()) uncovered_.set(key);
  }

  std::vector<std::string> compose() {
    std::vector<std::string> lines;
    while (lines.size() < request_.lines) {
      std::string line = composeLine();
      if (line.empty()) break;
      lines.push_back(line);
    }
    addMissingKeys(lines);
    // Last, as the additions may have made two lines alike.
    const std::string* previous = &request_.previousLine;
    for (std::string& line : lines) {
      if (line == *previous) line = madeDifferent(line);
      previous = &line;
    }
    return lines;
  }

 private:
  std::string composeLine() {
    std::string line;
    for (;;) {
      const std::size_t used = line.empty() ? 0 : line.size() + separator_.size();
      if (used + kLeastRoom > request_.lineLength && !line.empty()) break;
      const std::string token = nextToken(request_.lineLength - used);
      if (token.empty()) break;
      line += (line.empty() ? "" : separator_) + token;
      take(token);
    }
    return line;
  }

  std::string nextToken(std::size_t room) {
    std::vector<std::string> drawn;
    for (std::size_t n = 0; n < kGeneralCandidates; ++n) drawn.push_back(source_.general(random_));
    for (const auto& [key, goal] : goals_) {
      for (std::size_t n = 0; n < kCandidatesPerWeakKey; ++n) drawn.push_back(source_.holding(key, random_));
    }
    std::vector<unsigned char> missing;
    for (std::size_t key = 0; key < uncovered_.size() && uncovered_.any(); ++key) {
      if (uncovered_.test(key)) missing.push_back(static_cast<unsigned char>(key));
    }
    for (std::size_t n = 0; n < kCandidatesForMissingKeys && !missing.empty(); ++n) {
      drawn.push_back(source_.holding(missing[random_.below(missing.size())], random_));
    }
    const std::string* best = nullptr;
    double bestScore = -1.0;
    for (const std::string& token : drawn) {
      if (token.empty() || token.size() > room || token == lastToken_) continue;
      const double value = score(token);
      if (value > bestScore) {
        best = &token;
        bestScore = value;
      }
    }
    return best != nullptr ? *best : std::string();
  }

  double score(const std::string& token) const {
    const double separator = separator_.empty() ? 0.0 : 1.0;
    const double sum = std::max(1.0, countKeystrokes(token) + separator);
    double gain = kBaseScore;
    for (const auto& [key, goal] : goals_) {
      const double share = total_ > 0.0 ? strokes_[key] / total_ : 0.0;
      const double onKey = strokesOn(key, token) + (key == ' ' ? separator : 0.0);
      gain += std::max(0.0, goal - share) * onKey / sum;
    }
    std::bitset<256> brought;
    for (const char c : token) {
      const auto ch = static_cast<unsigned char>(c);
      brought.set(courseKeyOf(ch));
      if (isCapitalLetter(ch)) brought.set(kShiftKey);
    }
    if (!separator_.empty()) brought.set(' ');
    gain += kCoverageWeight * static_cast<double>((brought & uncovered_).count());
    const auto used = uses_.find(token);
    return used == uses_.end() ? gain : gain * std::pow(kRepeatPenalty, used->second);
  }

  void take(const std::string& token) {
    total_ += addKeystrokes(token + separator_, strokes_);
    for (std::size_t key = 0; key < strokes_.size(); ++key) {
      if (strokes_[key] > 0.0) uncovered_.reset(key);
    }
    ++uses_[token];
    lastToken_ = token;
  }

  // A line like the one before: its words in another order, or one fewer.
  std::string madeDifferent(const std::string& line) const {
    std::vector<std::string> parts = separator_.empty() ? std::vector<std::string>{line} : split(line, separator_);
    if (std::adjacent_find(parts.begin(), parts.end(), std::not_equal_to<>()) != parts.end()) {
      // Not all alike, so turning them by one changes the line.
      std::rotate(parts.begin(), parts.begin() + 1, parts.end());
      return join(parts, separator_);
    }
    if (parts.size() > 1) {
      parts.pop_back();
      return join(parts, separator_);
    }
    return line.size() < request_.lineLength ? line + line.back() : line.substr(0, line.size() - 1);
  }

  // The open keys that none of the lines has.
  std::vector<unsigned char> missingKeys(const std::vector<std::string>& lines) const {
    std::array<double, 256> strokes{};
    for (const std::string& line : lines) addKeystrokes(line, strokes);
    if (!lines.empty() && !separator_.empty()) strokes[' '] += 1.0;
    std::vector<unsigned char> missing = request_.open.inCourseOrder();
    std::erase_if(missing, [&strokes](unsigned char key) { return strokes[key] > 0.0; });
    return missing;
  }

  // A key still missing after all lines: a word with it at the end of a line
  // with room for it, else in place of a line's last word.
  void addMissingKeys(std::vector<std::string>& lines) {
    const std::size_t attempts = request_.open.size() * 4;
    for (std::size_t attempt = 0; attempt < attempts && !lines.empty(); ++attempt) {
      const std::vector<unsigned char> missing = missingKeys(lines);
      if (missing.empty()) return;
      const unsigned char key = missing.front();
      const std::string token = source_.holding(key, random_);
      std::array<double, 256> strokes{};
      addKeystrokes(token, strokes);
      if (token.empty() || strokes[key] <= 0.0 || token.size() > request_.lineLength) continue;
      std::string& line = lines[random_.below(lines.size())];
      std::string changed = line + separator_ + token;
      if (changed.size() > request_.lineLength) {
        std::vector<std::string> parts = separator_.empty() ? std::vector<std::string>{line} : split(line, separator_);
        parts.back() = token;
        changed = join(parts, separator_);
      }
      if (changed.size() <= request_.lineLength) line = changed;
    }
  }

  const LessonRequest& request_;
  LessonRandom random_;
  TokenSource source_;
  std::string separator_;
  std::vector<std::pair<unsigned char, double>> goals_;
  std::array<double, 256> strokes_{};
  double total_ = 0.0;
  std::bitset<256> uncovered_;
  std::unordered_map<std::string, int> uses_;
  std::string lastToken_;
};

}  // namespace

double weakKeyGoal(unsigned char key, bool focus, const WordBank& words) {
  double natural = words.keystrokeShares()[key];
  if (natural <= 0.0 || !(isLetterKey(key) || key == ' ' || key == kShiftKey)) natural = kSignShare;
  // The least share is one of characters: a key of two or three strokes
  // needs as many characters as one of a single stroke to be judged.
  const int strokesPerCharacter = key == kShiftKey ? 1 : std::max(1, countKeystrokes(key));
  const double least = std::max(focus ? kLeastFocusShare : 0.0, kLeastWeakShare * strokesPerCharacter);
  return std::clamp(kWeakKeyBoost * natural, std::min(least, kMostWeakShare), kMostWeakShare);
}

std::vector<std::string> composeLesson(const LessonRequest& request, const WordBank& words) {
  if (request.lines == 0 || request.lineLength == 0) return {};
  return Composer(request, words).compose();
}

std::array<double, 256> keystrokeShares(const std::vector<std::string>& lines) {
  std::array<double, 256> strokes{};
  double total = 0.0;
  for (const std::string& line : lines) total += addKeystrokes(line + ' ', strokes);
  if (total > 0.0) {
    for (double& share : strokes) share /= total;
  }
  return strokes;
}

}  // namespace kv
