#include "host_services.h"

#include "picture_prompt.h"
#include "qt_progress_window.h"
#include "qt_prompter.h"
#include "settings_store.h"
#include "stitchkit/Host.h"

void InstallPrompter(std::shared_ptr<Prompter> prompter) {
    if (!prompter) {
        SetPrompter(nullptr);
        stitchkit::SetMessageBoxHandler({});
        SetPicturePrompt({});
        return;
    }
    SetPrompter(prompter);
    auto forward = [prompter](std::string_view text, std::string_view caption, unsigned flags) {
        return prompter->Show(text, caption, flags);
    };
    stitchkit::SetMessageBoxHandler(forward);
    SetPicturePrompt(forward);
}

void InstallHostServices() {
    InstallPrompter(std::make_shared<QtPrompter>());
    stitchkit::SetProgressBackendFactory([] { return std::make_unique<QtProgressBackend>(); });
    stitchkit::SetProfileStore(std::make_shared<SettingsStore>());
}

void RemoveHostServices() {
    InstallPrompter(nullptr);
    stitchkit::SetProgressBackendFactory({});
    stitchkit::SetProfileStore(nullptr);
}
