// What widgets may ask of the window they live in: the clipboard and the input method.
#pragma once

#include <vrel_ui/geometry.h>

#include <string>
#include <string_view>

namespace vrel_ui {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    [[nodiscard]] virtual std::string text() const = 0;
    virtual void set_text(std::string_view text) = 0;
};

// A clipboard that lives in the process: screenshot frames and tests use it.
class MemoryClipboard final : public Clipboard {
public:
    [[nodiscard]] std::string text() const override { return m_text; }
    void set_text(std::string_view text) override { m_text = text; }

private:
    std::string m_text;
};

// Where composed text goes: a focused text field starts text input at its caret rect so the
// input method can place its candidate window, and stops it when it loses the keyboard.
class TextInputHost {
public:
    virtual ~TextInputHost() = default;
    virtual void start_text_input(Rect caret) = 0;
    virtual void stop_text_input() = 0;
};

class NullTextInputHost final : public TextInputHost {
public:
    void start_text_input(Rect) override { }
    void stop_text_input() override { }
};

} // namespace vrel_ui
