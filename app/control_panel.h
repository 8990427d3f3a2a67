// What the solver asks of its user interface, and nothing more: the window, the command line
// and the tests each provide these few operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

struct SolverState;

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
    // Lets the user interface handle what is pending, once per pass of the search, and answers
    // whether the search may go on: false stops it at the end of this pass, as a press of the
    // button does. The state is there to be looked at; a panel never calls back into the solver.
    virtual bool pump_events(const SolverState& state) = 0;
    // One line for the user (a file that cannot be read or written, a parameter that makes no
    // sense). It goes to standard error; a window shows it as well.
    virtual void report(std::string_view line);
};

// A panel that only remembers what it is told: the solver's stand-in when no user interface
// drives it, and the base of the test panels.
class MemoryPanel : public ControlPanel {
public:
    MemoryPanel();
    std::string text(Control edit) override;
    bool checked(Control box) override;
    void set_caption(Control control, std::string_view caption) override;
    bool pump_events(const SolverState&) override { return true; }

    void set_text(Control edit, std::string_view text);
    void set_checked(bool on) { checked_ = on; }
    const std::string& caption(Control control) const;

private:
    static constexpr int kControls = static_cast<int>(Control::Label5) + 1;
    std::string texts_[kControls];
    bool checked_ = false;
};

// A memory panel that stops the search at the end of pass `stop_at` (0: never), as a user
// pressing the button there would.
class StopAtPassPanel : public MemoryPanel {
public:
    bool pump_events(const SolverState& state) override;
    std::int64_t stop_at = 0;
};

}  // namespace tessera
