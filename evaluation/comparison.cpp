#include "evaluation/comparison.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/settings.h"
#include "evaluation/tokenizer.h"
#include "keyboard/dead_keys.h"

namespace kv {

void ComparisonProgress::setPosition(std::int32_t /*position*/) {}
std::int32_t ComparisonProgress::maximum() const { return 1; }
void ComparisonProgress::runPendingEvents() {}

namespace {

// More errors or marks than this and the comparison gives up.
constexpr std::int32_t kMostCounted = 225;
// The loops that add several marks stop here, and the look-ahead shrinks so
// that it cannot pass it by much.
constexpr std::int32_t kMarkCeiling = 250;
constexpr std::int32_t kLookAhead = 41;
constexpr std::uint32_t kStepsBetweenEvents = 2500;
constexpr std::int32_t kEventIndex = 750;
constexpr std::int32_t kElsewhereAhead = 200;
constexpr std::int32_t kElsewhereBehind = 100;

bool equal(const Token& a, const Token& b) { return a.text == b.text; }
bool same(const Token& a, const Token& b) { return a.present() && b.present() && a.text == b.text; }
bool sameWithKind(const Token& a, const Token& b) { return a.text == b.text && a.kind == b.kind; }
bool isOther(const Token& t) { return t.kind == TokenKind::OtherToken; }
bool isPunctuation(const Token& t) { return t.kind == TokenKind::Punctuation; }

// `whole` is `head` directly followed by `tail`.
bool joins(std::string_view whole, std::string_view head, std::string_view tail) {
  return whole.size() == head.size() + tail.size() && whole.starts_with(head) &&
         whole.ends_with(tail);
}

double errorPercentLimit(std::uint32_t wordCount) {
  if (wordCount < 50) return 8.0;
  if (wordCount < 100) return 6.5;
  return 5.0;
}

// Walks both texts in step: templateIndex_ is the template token being compared
// and typedIndex_ the typed token it is compared with; templ(i) and typed(j)
// fetch a token of either text by its 1-based index.
class Comparison {
 public:
  Comparison(TypedExercise& exercise, const ComparisonInputs& inputs, ComparisonProgress& progress)
      : ex_(exercise),
        inputs_(inputs),
        progress_(progress),
        templateCursor_(exercise.templateText, steps_),
        typedCursor_(exercise.typedText, steps_) {}

  void run();

 private:
  Token templ(std::int32_t i) { return templateCursor_.fetch(i); }
  Token typed(std::int32_t j);

  bool mayStep();
  void step();
  void handleMismatch();
  bool tryPatterns();
  std::int32_t nextWordIndex();
  bool earlyExit(bool resolved, std::int32_t l);

  // How far to look for the cause of a mismatch, each a count of tokens.
  struct Widths {
    // The widest look at all: kLookAhead, narrowed near the mark ceiling.
    std::int32_t limit;
    // Tokens between the template word and its next repetition further on
    // in the template; drill lines repeat their words, and the search must
    // not take a later repetition for this one.
    std::int32_t repeatAhead;
    // Distance back to the template word's previous occurrence; a nearby
    // earlier copy narrows the search as a repetition ahead does.
    std::int32_t repeatBehind;
    // Distance to the template word further on in the typed text: words
    // typed in addition.
    std::int32_t surplusTyped;
    // Distance to the typed word further on in the template: words left out.
    std::int32_t missingTemplate;
  };
  enum class Side : std::uint8_t { Template, Typed };
  Token fetch(Side side, std::int32_t index) {
    return side == Side::Template ? templ(index) : typed(index);
  }
  // How many tokens on from `from` (backwards for a negative `direction`,
  // as far as the first token) `target` lies, within `width`; 0 when it is
  // not there or the text ends first. The four look-aheads share it.
  std::int32_t distanceTo(Side side, std::int32_t from, std::int32_t direction, const Token& target,
                          std::int32_t width);
  Widths lookAheadWidths();
  std::int32_t chooseWidth(const Widths& w);
  std::int32_t searchTyped(std::int32_t width, const Widths& w);
  void settle(std::int32_t width, std::int32_t c);
  bool wordElsewhere(std::int32_t i, std::int32_t j);
  void endStep();

  void mark(const Token& y);
  // Marks typed tokens first ... last, each only while it is present and the marks
  // are below the ceiling.
  void markRun(std::int32_t first, std::int32_t last);

  void finish();
  void locateStop();

  TypedExercise& ex_;
  const ComparisonInputs& inputs_;
  ComparisonProgress& progress_;
  std::uint32_t steps_ = 0;
  TokenCursor templateCursor_;
  TokenCursor typedCursor_;
  std::int32_t templateIndex_ = 1;
  std::int32_t typedIndex_ = 1;
  std::int32_t confusions_ = 0;
  // A typed token behind the furthest one read could not be fetched again:
  // the comparison cannot go on and its result is not to be trusted.
  bool typedTokenLost_ = false;
};

inline Token Comparison::typed(std::int32_t j) {
  Token token = typedCursor_.fetch(j);
  if (!token.present() && j >= 1 && j < typedCursor_.highestIndex()) typedTokenLost_ = true;
  return token;
}

void Comparison::mark(const Token& y) {
  ++ex_.markCount;
  // The count may run below 1 or past the table after the odd settling
  // arithmetic; it is still counted, but only a real entry is written.
  if (ex_.markCount >= 1 && ex_.markCount <= kMaxMarks) {
    ex_.marks[static_cast<std::size_t>(ex_.markCount)] = {y.start, y.start + y.length() - 1};
  }
}

void Comparison::markRun(std::int32_t first, std::int32_t last) {
  for (std::int32_t j = first; j <= last; ++j) {
    const Token y = typed(j);
    if (!y.present() || ex_.markCount >= kMarkCeiling) break;
    mark(y);
  }
}

void Comparison::run() {
  ex_.wordCount = 0;
  ex_.errorCount = 0;
  ex_.markCount = 0;
  ex_.marks = {};
  ex_.stoppedEarly = false;
  ex_.stopLine = 0;
  ex_.stopColumn = 0;
  while (mayStep()) step();
  finish();
}

// The final typed token, the line end that closes the typed text, is never
// compared: a step needs one more typed token behind the compared one.
bool Comparison::mayStep() {
  return templ(templateIndex_).present() && typed(typedIndex_).present() &&
         typed(typedIndex_ + 1).present() && !typedTokenLost_ && ex_.markCount >= 0 &&
         ex_.markCount <= kMostCounted && ex_.errorCount >= 0 && ex_.errorCount <= kMostCounted;
}

void Comparison::step() {
  if (steps_ >= kStepsBetweenEvents || templateIndex_ == kEventIndex ||
      typedIndex_ == kEventIndex) {
    steps_ = 0;
    progress_.runPendingEvents();
  }
  if (!equal(templ(templateIndex_), typed(typedIndex_))) handleMismatch();
  endStep();
}

void Comparison::handleMismatch() {
  ++ex_.errorCount;
  mark(typed(typedIndex_));
  const bool resolved = tryPatterns();
  const std::int32_t l = nextWordIndex();
  if (earlyExit(resolved, l)) return;
  const Widths widths = lookAheadWidths();
  const std::int32_t width = chooseWidth(widths);
  const std::int32_t c = searchTyped(width, widths);
  settle(width, c);
}

// Typical slips that explain the mismatch on their own.
bool Comparison::tryPatterns() {
  const Token t = templ(templateIndex_);
  const Token y = typed(typedIndex_);
  // A space typed inside a word: one error, three marks.
  if (typed(typedIndex_ + 1).present() && typed(typedIndex_ + 2).present() &&
      joins(t.text, y.text, typed(typedIndex_ + 2).text)) {
    for (int k = 0; k < 2; ++k) {
      ++typedIndex_;
      mark(typed(typedIndex_));
    }
    return true;
  }
  // Two words typed without the space between them.
  if (templ(templateIndex_ + 1).present() && templ(templateIndex_ + 2).present() &&
      joins(y.text, t.text, templ(templateIndex_ + 2).text)) {
    templateIndex_ += 2;
    return true;
  }
  // No space after a punctuation mark.
  if (isPunctuation(templ(templateIndex_ - 1)) && t.isSpace() &&
      same(templ(templateIndex_ + 1), y)) {
    templateIndex_ += 1;
    return true;
  }
  // Surplus spaces in front of a word: the first surplus one is marked as the
  // error, the others with it.
  std::int32_t s = 0;
  while (typed(typedIndex_ + s).isSpace()) ++s;
  if (typedIndex_ > 1 && typed(typedIndex_ - 1).isSpace() && y.isSpace() && t.length() > 1 &&
      isOther(t) && same(typed(typedIndex_ + s), t)) {
    markRun(typedIndex_ + 1, typedIndex_ + s - 1);
    typedIndex_ += s;
    return true;
  }
  return false;
}

// The next template word after the compared one; at the end of the template the last token.
std::int32_t Comparison::nextWordIndex() {
  std::int32_t k = 1;
  for (;;) {
    const Token t = templ(templateIndex_ + k);
    if (!t.present()) {
      k = std::max(k - 1, 0);
      break;
    }
    if (!t.isSpace() && isOther(t)) break;
    ++k;
  }
  return templateIndex_ + k;
}

bool Comparison::earlyExit(bool resolved, std::int32_t l) {
  const Token y = typed(typedIndex_);
  if (y.isSpace() && typed(typedIndex_ + 1).isSpace()) return true;  // a doubled space
  const Token t = templ(templateIndex_);
  if (wordsSimilar(t.text, y.text)) {
    // A misspelt word, unless the typed word is as close to the next one.
    const Token next = templ(l);
    if (!wordsSimilar(t.text, next.text) || equal(t, next)) return true;
  }
  return resolved;
}

std::int32_t Comparison::distanceTo(Side side, std::int32_t from, std::int32_t direction,
                                    const Token& target, std::int32_t width) {
  std::int32_t d = 1;
  for (; direction > 0 || from - d > 1; ++d) {
    const Token a = fetch(side, from + direction * d);
    if (same(a, target) || !a.present() || d >= width) break;
  }
  return same(fetch(side, from + direction * d), target) && d <= width ? d : 0;
}

Comparison::Widths Comparison::lookAheadWidths() {
  Widths w{};
  w.limit = kLookAhead;
  if (ex_.markCount + kLookAhead > kMarkCeiling) w.limit = kMarkCeiling - ex_.markCount;
  const Token t = templ(templateIndex_);
  const Token y = typed(typedIndex_);

  if (!t.present() || !isOther(t)) {
    w.repeatAhead = 3;
  } else {
    w.repeatAhead = w.limit;
    if (!t.isSpace()) {
      const std::int32_t d = distanceTo(Side::Template, templateIndex_, 1, t, w.repeatAhead);
      if (d > 0) w.repeatAhead = d - 1;
    }
  }

  if (templateIndex_ < 2 || !t.present() || !isOther(t)) {
    w.repeatBehind = 3;
  } else {
    w.repeatBehind = std::min(w.limit, templateIndex_ - 1);
    if (!t.isSpace()) {
      const std::int32_t d = distanceTo(Side::Template, templateIndex_, -1, t, w.repeatBehind);
      if (d > 0) w.repeatBehind = d;
    }
  }

  if (isPunctuation(t) || y.isSpace()) {
    w.surplusTyped = 3;
  } else {
    w.surplusTyped = w.limit;
    const std::int32_t d = distanceTo(Side::Typed, typedIndex_, 1, t, w.surplusTyped);
    if (d > 0) w.surplusTyped = d;
  }

  if (y.isSpace() || !isOther(y)) {
    w.missingTemplate = 3;
  } else {
    w.missingTemplate = w.limit;
    const std::int32_t d = distanceTo(Side::Template, templateIndex_, 1, y, w.missingTemplate);
    if (d > 0) w.missingTemplate = d;
  }

  w.repeatAhead = std::min(w.repeatAhead, w.limit);
  w.repeatBehind = std::min(w.repeatBehind, w.limit);
  w.surplusTyped = std::min(w.surplusTyped, w.limit);
  w.missingTemplate = std::min(w.missingTemplate, w.limit);
  return w;
}

std::int32_t Comparison::chooseWidth(const Widths& w) {
  const Token t = templ(templateIndex_);
  std::int32_t width = w.repeatAhead;
  if (t.length() == 1) width = 1;
  if (w.missingTemplate < w.surplusTyped && w.missingTemplate < w.repeatBehind &&
      w.missingTemplate < width) {
    return w.missingTemplate;
  }
  if (w.surplusTyped < w.repeatBehind && w.surplusTyped < width) width = w.surplusTyped;
  if (w.repeatBehind < width && templateIndex_ - w.repeatBehind > 0 &&
      same(templ(templateIndex_ - w.repeatBehind), t)) {
    return w.repeatBehind;
  }
  if (w.surplusTyped <= w.repeatBehind && w.repeatBehind != w.limit &&
      templateIndex_ - w.repeatBehind >= 1 && equal(templ(templateIndex_ - w.repeatBehind), t)) {
    return width;
  }
  if (w.surplusTyped > width) {
    // A punctuation mark typed early, with the word before it in place: keep
    // the narrower width.
    const Token y = typed(typedIndex_);
    bool keep = isPunctuation(y) && sameWithKind(templ(templateIndex_ + w.surplusTyped), y);
    if (keep) {
      const Token before = templ(templateIndex_ + w.surplusTyped - 1);
      keep = before.length() >= 2 && isOther(before) &&
             sameWithKind(before, typed(typedIndex_ + w.surplusTyped - 1));
    }
    if (!keep) width = w.surplusTyped;
  }
  return width;
}

// Looks for the template token further on in the typed text (surplus typed
// tokens), marking what it passes. Returns how far it looked; the typed index moves on
// when a skip is confirmed by the next word.
std::int32_t Comparison::searchTyped(std::int32_t width, const Widths& w) {
  const Token t = templ(templateIndex_);
  const Token y = typed(typedIndex_);
  const bool runs = (t.present() && !t.isSpace()) || (t.isSpace() && isPunctuation(y)) ||
                    (templateIndex_ > 1 && t.isSpace() && !y.isSpace() &&
                     isPunctuation(templ(templateIndex_ - 1)));
  if (!runs) return 0;
  std::int32_t c = 0;
  bool confirmed = false;
  do {
    ++c;
    const Token ahead = typed(typedIndex_ + c);
    if (!ahead.present()) {
      // Counted like a mark so that the settling below takes it back.
      ++ex_.markCount;
    } else {
      mark(ahead);
      if (equal(t, ahead)) {
        std::int32_t e = 1;
        while (templ(templateIndex_ + e).isSpace()) ++e;
        const Token next = templ(templateIndex_ + e);
        if (next.present()) {
          const bool accepted = width != w.repeatBehind || width == w.limit ||
                                ((templateIndex_ - w.repeatBehind < 1 ||
                                  !equal(templ(templateIndex_ - w.repeatBehind), t)) &&
                                 !equal(templ(templateIndex_ + width), t)) ||
                                isPunctuation(t);
          if (accepted && same(next, typed(typedIndex_ + c + e))) {
            typedIndex_ += c;
            confirmed = true;
          }
        }
      }
    }
  } while (c < width && !(confirmed && same(templ(templateIndex_), typed(typedIndex_))));
  return c;
}

void Comparison::settle(std::int32_t width, std::int32_t c) {
  std::int32_t lastCount = c;
  const Token t = templ(templateIndex_);
  if (c == width && t.present() && typed(typedIndex_).present() && !equal(t, typed(typedIndex_))) {
    // The typed-side search failed: its marks go. Perhaps typed tokens were
    // left out instead.
    ex_.markCount -= width;
    if (!t.isSpace()) {
      std::int32_t d = 0;
      do {
        ++d;
        if (same(templ(templateIndex_ + d), typed(typedIndex_))) templateIndex_ += d;
      } while (d < width && !equal(templ(templateIndex_), typed(typedIndex_)));
      lastCount = d;
    }
  } else if (c == 1) {
    ex_.markCount -= 1;  // the token that turned out to be right
  } else if (t.isSpace() || isPunctuation(t)) {
    ex_.markCount -= 1;
  } else {
    ex_.markCount -= 2;  // the right word and the space before it
  }

  const Token tr = templ(templateIndex_);
  const Token ym = typed(typedIndex_);
  if (!tr.present() || !ym.present() || equal(tr, ym)) return;
  if (wordElsewhere(templateIndex_, typedIndex_)) ++confusions_;
  const Token after = templ(templateIndex_ + 1);
  if (!tr.isSpace() && !ym.isSpace() && after.present() && isOther(after)) {
    // Give up on this word: both texts go on at their next space.
    std::int32_t k = 1;
    while (templ(templateIndex_ + k).present() && !templ(templateIndex_ + k).isSpace()) ++k;
    if (templ(templateIndex_ + k).isSpace()) templateIndex_ += k;
    std::int32_t g = 1;
    while (typed(typedIndex_ + g).present() && !typed(typedIndex_ + g).isSpace()) ++g;
    if (typed(typedIndex_ + g).isSpace()) {
      markRun(typedIndex_ + 1, typedIndex_ + g - 1);
      typedIndex_ += g;
    }
  } else if (tr.isSpace() && after.present() && isPunctuation(ym) &&
             typed(typedIndex_ + 1).isSpace()) {
    typedIndex_ += lastCount;
  }
}

bool Comparison::wordElsewhere(std::int32_t i, std::int32_t j) {
  const Token y = typed(j);
  if (y.length() < 2) return false;
  for (std::int32_t d = 1; d <= kElsewhereAhead; ++d) {
    const Token t = templ(i + d);
    if (!t.present()) break;
    if (equal(t, y)) return true;
  }
  if (i > 1) {
    for (std::int32_t k = i - 1; k >= std::max(1, i - kElsewhereBehind); --k) {
      if (equal(templ(k), y)) return true;
    }
  }
  return false;
}

void Comparison::endStep() {
  if (hasTimeLimit(formOf(inputs_.form)) && inputs_.pace > 0 && inputs_.timeLimitReached) {
    // The word the time limit cut off is not compared.
    if (typed(typedIndex_ + 2).isSpace() && !typed(typedIndex_ + 3).present() &&
        templ(templateIndex_ + 1).present() && templ(templateIndex_ + 2).present()) {
      templateIndex_ += 2;
      typedIndex_ += 2;
    }
  }
  ++templateIndex_;
  ++typedIndex_;
  progress_.setPosition(typedIndex_);
}

void Comparison::locateStop() {
  const std::string& text = ex_.typedText;
  const std::int32_t p = typed(typedIndex_ - 1).start;
  std::uint32_t line = 1;
  std::int32_t column = p;
  bool columnSet = false;
  for (std::int32_t j = p; j >= 2; --j) {
    if (text[static_cast<std::size_t>(j - 2)] == '\r' &&
        text[static_cast<std::size_t>(j - 1)] == '\n') {
      ++line;
      if (!columnSet) {
        column = p - j;
        columnSet = true;
      }
    }
  }
  ex_.stopLine = line;
  ex_.stopColumn = static_cast<std::uint32_t>(column);
}

void Comparison::finish() {
  ex_.stoppedEarly =
      typedIndex_ >= 2 && typed(typedIndex_).present() && !templ(templateIndex_).present();
  if (ex_.stoppedEarly) locateStop();
  ex_.wordCount = typedCursor_.wordCount();

  progress_.setPosition(progress_.maximum());
  std::string().swap(ex_.templateText);

  std::int32_t& errors = ex_.errorCount;
  const double limit = errorPercentLimit(ex_.wordCount);
  if ((typedIndex_ / 2) * 4 / 7 < errors) errors = kEvaluationImpossible;
  if (errors >= 5 && errors / 2 < confusions_) errors = kEvaluationImpossible;
  if (typedTokenLost_ || ex_.markCount < 0 || ex_.markCount > kMostCounted || errors < 0 ||
      errors > kMostCounted) {
    errors = kEvaluationImpossible;
  } else if (errors > 0) {
    // Errors without keystrokes cannot happen with a real exercise; were it
    // to happen, the share would be unbounded, so it is over any limit.
    if (ex_.keystrokes == 0 ||
        static_cast<double>(errors) * 100.0 / static_cast<double>(ex_.keystrokes) >= limit) {
      errors = kEvaluationImpossible;
    }
  }
  if (ex_.keystrokes > 0) --ex_.keystrokes;
  if (errors < kFirstImpossibleErrorCount) {
    insertErrorMarks(ex_.typedText, std::span<const ErrorMark>(ex_.marks).subspan(
                                        1, static_cast<std::size_t>(ex_.markCount)));
  }
}

}  // namespace

void compareTexts(TypedExercise& exercise, const ComparisonInputs& inputs,
                  ComparisonProgress& progress) {
  Comparison(exercise, inputs, progress).run();
}

void compareTexts(TypedExercise& exercise, const ComparisonInputs& inputs) {
  ComparisonProgress none;
  compareTexts(exercise, inputs, none);
}

void insertErrorMarks(std::string& typedText, std::span<const ErrorMark> marks) {
  const auto size = static_cast<std::int64_t>(typedText.size());
  std::string out;
  out.reserve(typedText.size() + 2 * marks.size());
  // Positions are 1-based and 64-bit in the marks; `at` gives the byte.
  const auto at = [&typedText](std::int64_t offset) { return typedText.data() + static_cast<std::size_t>(offset); };
  std::int64_t copied = 0;  // bytes of typedText already in `out`
  for (const ErrorMark& m : marks) {
    const std::int64_t start = m.start;
    const std::int64_t end = m.end;
    if (start <= copied || end < start || end > size) continue;
    out.append(at(copied), at(start - 1));
    out.push_back(kMarkByte);
    const char last = *at(end - 1);
    if (last == '\r' || last == '\n') {
      // A marked line end shows as an empty pair in front of the break.
      out.append(at(start - 1), at(end - 1));
      out.push_back(kMarkByte);
      out.push_back(last);
    } else {
      out.append(at(start - 1), at(end));
      out.push_back(kMarkByte);
    }
    copied = end;
  }
  out.append(at(copied), at(size));
  typedText = std::move(out);
}

}  // namespace kv
