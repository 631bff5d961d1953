// Finding the dialogs and message boxes that are open on the screen and
// pressing their buttons, as a user would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace shell_driver {

// Whose dialogs a DialogScan looks at.
enum class DialogOwner { ThisProcess, AnyProcess };

// Finds the visible dialog windows (class #32770) of this process or of any
// process, optionally only those with one caption, and remembers those
// already answered until they close.
class DialogScan {
public:
    explicit DialogScan(DialogOwner owner = DialogOwner::ThisProcess, std::wstring caption = std::wstring());

    // The dialogs on the screen now that were not marked answered.
    std::vector<HWND> Unanswered();
    void MarkAnswered(HWND dialog);

private:
    DialogOwner m_owner;
    std::wstring m_caption;
    std::vector<HWND> m_answered;
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The text of a message box (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// True when the dialog has a button with this id.
bool HasButton(HWND dialog, int id);
// The wanted button when the box has it, else its default button, else OK
// when it has one, else Cancel.
int ChooseButton(HWND box, int wanted);
// Clicks the button as the dialog's own handling of it would see it,
// without waiting for the dialog.
void PressButton(HWND dialog, int id);

}  // namespace shell_driver
