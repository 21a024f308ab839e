// Locators of a browse: how typed text positions the list on a key, and the scroll step
// that turns a key's text into a thumb position and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

// Positions on the first entry whose key field is at or after a typed value, folded as the
// keys fold it (the view's seekValue). The base takes the text from the program.
class PlainLocator {
 public:
  explicit PlainLocator(int field) : field_(field) {}
  virtual ~PlainLocator() = default;

  int field() const { return field_; }
  // The entry control whose accepted text is located; 0 when none.
  virtual int control() const { return 0; }
  // The text to locate after a character typed on the list; nothing when the locator does
  // not take typed characters.
  virtual std::optional<std::string> typed(char) { return std::nullopt; }
  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }

 private:
  int field_;
  std::string text_;
};

// A character typed on the list moves to the first entry beginning with it.
class StepLocator : public PlainLocator {
 public:
  using PlainLocator::PlainLocator;
  std::optional<std::string> typed(char c) override;
};

// The text accepted in an entry control is located.
class EntryLocator : public PlainLocator {
 public:
  EntryLocator(int field, int control) : PlainLocator(field), control_(control) {}
  int control() const override { return control_; }

 private:
  int control_;
};

// Thumb positions (0..100) of a list in text key order, from the key's first characters.
class StringScrollStep {
 public:
  int position(std::string_view key) const;
  // The key text that a thumb position stands for.
  std::string text(int position) const;

  static constexpr std::string_view kSteps = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
};

}  // namespace rt
