// The main window's Options command: the options dialog over the main window, and the settings
// file written after OK.
#include "Main.h"

#include "Dialogs.h"
#include "Globals.h"
#include "Options.h"

#include <memory>

void TFormMain::ActionOptionsExecute()
{
    // Owned by this window for its one showing, and destroyed also when loading fails.
    const auto dialog = std::make_unique<TFormOptions>(this);
    CenterOverOwner(dialog.get(), this);
    dialog->Load(m_settings);
    if (dialog->exec() != QDialog::Accepted)
        return;
    dialog->Store(m_settings);
    SaveSettings(m_settings);
}
