#include "evaluation/comparison.h"

#include <algorithm>
#include <string_view>
#include <utility>

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
// A typed token that vanished behind the cursor: the comparison cannot go on.
constexpr std::int32_t kTokenLost = 226;
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

// R and M are the template and typed indices; T(i) and Y(j) fetch tokens.
class Comparison {
 public:
  Comparison(TypedExercise& exercise, const ComparisonInputs& inputs, ComparisonProgress& progress)
      : ex_(exercise),
        inputs_(inputs),
        progress_(progress),
        template_(exercise.templateText, steps_),
        typed_(exercise.typedText, steps_) {}

  void run();

 private:
  Token T(std::int32_t i) { return template_.fetch(i); }
  Token Y(std::int32_t j);

  bool mayStep();
  void step();
  void handleMismatch();
  bool tryPatterns();
  std::int32_t nextWordIndex();
  bool earlyExit(bool resolved, std::int32_t l);

  struct Widths {
    std::int32_t v, wf, xb, yd, zt;
  };
  Widths lookAheadWidths();
  std::int32_t chooseWidth(const Widths& w);
  std::int32_t searchTyped(std::int32_t width, const Widths& w);
  void settle(std::int32_t width, std::int32_t c);
  bool wordElsewhere(std::int32_t i, std::int32_t j);
  void endStep();

  void mark(const Token& y);
  // Marks Y[first] ... Y[last], each only while it is present and the marks
  // are below the ceiling.
  void markRun(std::int32_t first, std::int32_t last);

  void finish();
  void locateStop();

  TypedExercise& ex_;
  const ComparisonInputs& inputs_;
  ComparisonProgress& progress_;
  std::uint32_t steps_ = 0;
  TokenCursor template_;
  TokenCursor typed_;
  std::int32_t R_ = 1;
  std::int32_t M_ = 1;
  std::int32_t confusions_ = 0;
};

Token Comparison::Y(std::int32_t j) {
  Token token = typed_.fetch(j);
  if (!token.present() && j >= 1 && j < typed_.highestIndex()) ex_.errorCount = kTokenLost;
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
    const Token y = Y(j);
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
// compared: a step needs one more typed token behind Y[M].
bool Comparison::mayStep() {
  return T(R_).present() && Y(M_).present() && Y(M_ + 1).present() && ex_.markCount >= 0 &&
         ex_.markCount <= kMostCounted && ex_.errorCount >= 0 && ex_.errorCount <= kMostCounted;
}

void Comparison::step() {
  if (steps_ >= kStepsBetweenEvents || R_ == kEventIndex || M_ == kEventIndex) {
    steps_ = 0;
    progress_.runPendingEvents();
  }
  if (!equal(T(R_), Y(M_))) handleMismatch();
  endStep();
}

void Comparison::handleMismatch() {
  ++ex_.errorCount;
  mark(Y(M_));
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
  const Token t = T(R_);
  const Token y = Y(M_);
  // A space typed inside a word: one error, three marks.
  if (Y(M_ + 1).present() && Y(M_ + 2).present() && joins(t.text, y.text, Y(M_ + 2).text)) {
    for (int k = 0; k < 2; ++k) {
      ++M_;
      mark(Y(M_));
    }
    return true;
  }
  // Two words typed without the space between them.
  if (T(R_ + 1).present() && T(R_ + 2).present() && joins(y.text, t.text, T(R_ + 2).text)) {
    R_ += 2;
    return true;
  }
  // No space after a punctuation mark.
  if (isPunctuation(T(R_ - 1)) && t.isSpace() && same(T(R_ + 1), y)) {
    R_ += 1;
    return true;
  }
  // Surplus spaces in front of a word: the first surplus one is marked as the
  // error, the others with it.
  std::int32_t s = 0;
  while (Y(M_ + s).isSpace()) ++s;
  if (M_ > 1 && Y(M_ - 1).isSpace() && y.isSpace() && t.length() > 1 && isOther(t) &&
      same(Y(M_ + s), t)) {
    markRun(M_ + 1, M_ + s - 1);
    M_ += s;
    return true;
  }
  return false;
}

// The next template word after R; at the end of the template the last token.
std::int32_t Comparison::nextWordIndex() {
  std::int32_t k = 1;
  for (;;) {
    const Token t = T(R_ + k);
    if (!t.present()) {
      k = std::max(k - 1, 0);
      break;
    }
    if (!t.isSpace() && isOther(t)) break;
    ++k;
  }
  return R_ + k;
}

bool Comparison::earlyExit(bool resolved, std::int32_t l) {
  const Token y = Y(M_);
  if (y.isSpace() && Y(M_ + 1).isSpace()) return true;  // a doubled space
  const Token t = T(R_);
  if (wordsSimilar(t.text, y.text)) {
    // A misspelt word, unless the typed word is as close to the next one.
    const Token next = T(l);
    if (!wordsSimilar(t.text, next.text) || equal(t, next)) return true;
  }
  return resolved;
}

Comparison::Widths Comparison::lookAheadWidths() {
  Widths w{};
  w.v = kLookAhead;
  if (ex_.markCount + kLookAhead > kMarkCeiling) w.v = kMarkCeiling - ex_.markCount;
  const Token t = T(R_);
  const Token y = Y(M_);

  // Next repetition of the template word.
  if (!t.present() || !isOther(t)) {
    w.wf = 3;
  } else {
    w.wf = w.v;
    if (!t.isSpace()) {
      std::int32_t d = 1;
      for (;; ++d) {
        const Token a = T(R_ + d);
        if (same(a, t) || !a.present() || d >= w.wf) break;
      }
      if (same(T(R_ + d), t) && d <= w.wf) w.wf = d - 1;
    }
  }

  // Previous repetition of the template word.
  if (R_ < 2 || !t.present() || !isOther(t)) {
    w.xb = 3;
  } else {
    w.xb = std::min(w.v, R_ - 1);
    if (!t.isSpace()) {
      std::int32_t d = 1;
      for (; R_ - d > 1; ++d) {
        const Token a = T(R_ - d);
        if (same(a, t) || !a.present() || d >= w.xb) break;
      }
      if (same(T(R_ - d), t) && d <= w.xb) w.xb = d;
    }
  }

  // The template word further on in the typed text.
  if (isPunctuation(t) || y.isSpace()) {
    w.yd = 3;
  } else {
    w.yd = w.v;
    std::int32_t d = 1;
    for (;; ++d) {
      const Token a = Y(M_ + d);
      if (same(a, t) || !a.present() || d >= w.yd) break;
    }
    if (same(Y(M_ + d), t) && d <= w.yd) w.yd = d;
  }

  // The typed word further on in the template.
  if (y.isSpace() || !isOther(y)) {
    w.zt = 3;
  } else {
    w.zt = w.v;
    std::int32_t d = 1;
    for (;; ++d) {
      const Token a = T(R_ + d);
      if (same(a, y) || !a.present() || d >= w.zt) break;
    }
    if (same(T(R_ + d), y) && d <= w.zt) w.zt = d;
  }

  w.wf = std::min(w.wf, w.v);
  w.xb = std::min(w.xb, w.v);
  w.yd = std::min(w.yd, w.v);
  w.zt = std::min(w.zt, w.v);
  return w;
}

std::int32_t Comparison::chooseWidth(const Widths& w) {
  const Token t = T(R_);
  std::int32_t width = w.wf;
  if (t.length() == 1) width = 1;
  if (w.zt < w.yd && w.zt < w.xb && w.zt < width) return w.zt;
  if (w.yd < w.xb && w.yd < width) width = w.yd;
  if (w.xb < width && R_ - w.xb > 0 && same(T(R_ - w.xb), t)) return w.xb;
  if (w.yd <= w.xb && w.xb != w.v && R_ - w.xb >= 1 && equal(T(R_ - w.xb), t)) return width;
  if (w.yd > width) {
    // A punctuation mark typed early, with the word before it in place: keep
    // the narrower width.
    const Token y = Y(M_);
    bool keep = isPunctuation(y) && sameWithKind(T(R_ + w.yd), y);
    if (keep) {
      const Token before = T(R_ + w.yd - 1);
      keep = before.length() >= 2 && isOther(before) && sameWithKind(before, Y(M_ + w.yd - 1));
    }
    if (!keep) width = w.yd;
  }
  return width;
}

// Looks for the template token further on in the typed text (surplus typed
// tokens), marking what it passes. Returns how far it looked; M moves on
// when a skip is confirmed by the next word.
std::int32_t Comparison::searchTyped(std::int32_t width, const Widths& w) {
  const Token t = T(R_);
  const Token y = Y(M_);
  const bool runs = (t.present() && !t.isSpace()) || (t.isSpace() && isPunctuation(y)) ||
                    (R_ > 1 && t.isSpace() && !y.isSpace() && isPunctuation(T(R_ - 1)));
  if (!runs) return 0;
  std::int32_t c = 0;
  bool confirmed = false;
  do {
    ++c;
    const Token ahead = Y(M_ + c);
    if (!ahead.present()) {
      // Counted like a mark so that the settling below takes it back.
      ++ex_.markCount;
    } else {
      mark(ahead);
      if (equal(t, ahead)) {
        std::int32_t e = 1;
        while (T(R_ + e).isSpace()) ++e;
        const Token next = T(R_ + e);
        if (next.present()) {
          const bool accepted =
              width != w.xb || width == w.v ||
              ((R_ - w.xb < 1 || !equal(T(R_ - w.xb), t)) && !equal(T(R_ + width), t)) ||
              isPunctuation(t);
          if (accepted && same(next, Y(M_ + c + e))) {
            M_ += c;
            confirmed = true;
          }
        }
      }
    }
  } while (c < width && !(confirmed && same(T(R_), Y(M_))));
  return c;
}

void Comparison::settle(std::int32_t width, std::int32_t c) {
  std::int32_t lastCount = c;
  const Token t = T(R_);
  if (c == width && t.present() && Y(M_).present() && !equal(t, Y(M_))) {
    // The typed-side search failed: its marks go. Perhaps typed tokens were
    // left out instead.
    ex_.markCount -= width;
    if (!t.isSpace()) {
      std::int32_t d = 0;
      do {
        ++d;
        if (same(T(R_ + d), Y(M_))) R_ += d;
      } while (d < width && !equal(T(R_), Y(M_)));
      lastCount = d;
    }
  } else if (c == 1) {
    ex_.markCount -= 1;  // the token that turned out to be right
  } else if (t.isSpace() || isPunctuation(t)) {
    ex_.markCount -= 1;
  } else {
    ex_.markCount -= 2;  // the right word and the space before it
  }

  const Token tr = T(R_);
  const Token ym = Y(M_);
  if (!tr.present() || !ym.present() || equal(tr, ym)) return;
  if (wordElsewhere(R_, M_)) ++confusions_;
  const Token after = T(R_ + 1);
  if (!tr.isSpace() && !ym.isSpace() && after.present() && isOther(after)) {
    // Give up on this word: both texts go on at their next space.
    std::int32_t k = 1;
    while (T(R_ + k).present() && !T(R_ + k).isSpace()) ++k;
    if (T(R_ + k).isSpace()) R_ += k;
    std::int32_t g = 1;
    while (Y(M_ + g).present() && !Y(M_ + g).isSpace()) ++g;
    if (Y(M_ + g).isSpace()) {
      markRun(M_ + 1, M_ + g - 1);
      M_ += g;
    }
  } else if (tr.isSpace() && after.present() && isPunctuation(ym) && Y(M_ + 1).isSpace()) {
    M_ += lastCount;
  }
}

bool Comparison::wordElsewhere(std::int32_t i, std::int32_t j) {
  const Token y = Y(j);
  if (y.length() < 2) return false;
  for (std::int32_t d = 1; d <= kElsewhereAhead; ++d) {
    const Token t = T(i + d);
    if (!t.present()) break;
    if (equal(t, y)) return true;
  }
  if (i > 1) {
    for (std::int32_t k = i - 1; k >= std::max(1, i - kElsewhereBehind); --k) {
      if (equal(T(k), y)) return true;
    }
  }
  return false;
}

void Comparison::endStep() {
  if ((inputs_.form == 3 || inputs_.form == 4) && inputs_.pace > 0 && inputs_.timeLimitReached) {
    // The word the time limit cut off is not compared.
    if (Y(M_ + 2).isSpace() && !Y(M_ + 3).present() && T(R_ + 1).present() &&
        T(R_ + 2).present()) {
      R_ += 2;
      M_ += 2;
    }
  }
  ++R_;
  ++M_;
  progress_.setPosition(M_);
}

void Comparison::locateStop() {
  const std::string& text = ex_.typedText;
  const std::int32_t p = Y(M_ - 1).start;
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
  ex_.stoppedEarly = M_ >= 2 && Y(M_).present() && !T(R_).present();
  if (ex_.stoppedEarly) locateStop();
  ex_.wordCount = typed_.wordCount();

  progress_.setPosition(progress_.maximum());
  std::string().swap(ex_.templateText);

  std::int32_t& errors = ex_.errorCount;
  const double limit = errorPercentLimit(ex_.wordCount);
  if ((M_ / 2) * 4 / 7 < errors) errors = kEvaluationImpossible;
  if (errors >= 5 && errors / 2 < confusions_) errors = kEvaluationImpossible;
  if (ex_.markCount < 0 || ex_.markCount > kMostCounted || errors < 0 || errors > kMostCounted) {
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
  std::int64_t copied = 0;  // bytes of typedText already in `out`
  for (const ErrorMark& m : marks) {
    const std::int64_t start = m.start;
    const std::int64_t end = m.end;
    if (start <= copied || end < start || end > size) continue;
    const auto begin = typedText.begin();
    out.append(begin + copied, begin + (start - 1));
    out.push_back(kMarkByte);
    const char last = typedText[static_cast<std::size_t>(end - 1)];
    if (last == '\r' || last == '\n') {
      // A marked line end shows as an empty pair in front of the break.
      out.append(begin + (start - 1), begin + (end - 1));
      out.push_back(kMarkByte);
      out.push_back(last);
    } else {
      out.append(begin + (start - 1), begin + end);
      out.push_back(kMarkByte);
    }
    copied = end;
  }
  out.append(typedText.begin() + copied, typedText.end());
  typedText = std::move(out);
}

}  // namespace kv
