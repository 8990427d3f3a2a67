// What the solver asks of its user interface, and nothing more: the window, the command line
// and the tests each provide these few operations.
#pragma once

#include <string>
#include <string_view>

namespace tessera {

enum class Control {
    Button1,
    Edit1,
    Edit2,
    Edit3,
    Edit4,
    Edit5,
    Edit6,
    Edit7,
    Edit8,
    Edit9,
    Edit10,
    Edit11,
    CheckBox1,
    Label3,
    Label5,
};

class ControlPanel {
public:
    virtual ~ControlPanel() = default;
    // The text of an edit box (Edit1 is the resume file name, Edit2..Edit11 the parameters).
    virtual std::string text(Control edit) = 0;
    virtual bool checked(Control box) = 0;
    // Button1, Label3 (the status line) and Label5 (the depth).
    virtual void set_caption(Control control, std::string_view caption) = 0;
    // Lets the user interface handle what is pending; called once per pass of the search.
    virtual void pump_events() = 0;
};

// A panel that only remembers what it is told: the solver's stand-in when no user interface
// drives it, and the base of the test panels.
class MemoryPanel : public ControlPanel {
public:
    MemoryPanel();
    std::string text(Control edit) override;
    bool checked(Control box) override;
    void set_caption(Control control, std::string_view caption) override;
    void pump_events() override {}

    void set_text(Control edit, std::string_view text);
    void set_checked(bool on) { checked_ = on; }
    const std::string& caption(Control control) const;

private:
    static constexpr int kControls = static_cast<int>(Control::Label5) + 1;
    std::string texts_[kControls];
    bool checked_ = false;
};

}  // namespace tessera
