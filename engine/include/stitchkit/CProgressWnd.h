// The progress window: a caption with the percentage, one text area, a progress bar and a
// Cancel button. Its logic lives here; drawing goes through the host's backend (Host.h).
#pragma once

#include <memory>
#include <string>

#include "stitchkit/Export.h"
#include "stitchkit/Host.h"
#include "stitchkit/IProgress.h"

class STITCHKIT_API CProgressWnd : public IProgress {
public:
    CProgressWnd();
    // `parent` is the host's window handle (null: the main window).
    CProgressWnd(void* parent, const char* title, bool smooth = false);
    CProgressWnd(void* parent, unsigned titleId, bool smooth = false);
    ~CProgressWnd();
    CProgressWnd(const CProgressWnd&) = delete;
    CProgressWnd& operator=(const CProgressWnd&) = delete;

    bool Create(void* parent, const char* title, bool smooth = false);
    bool GoModal(const char* title = "Progress", bool smooth = false);
    bool DestroyWindow();
    bool HasWindow() const { return m_backend != nullptr; }

    void SetRange(int lower, int upper, int step = 1);
    int SetPos(int pos);
    int OffsetPos(int delta);
    int StepIt();
    int SetStep(int step);
    void SetText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void LoadString(unsigned id);
    void Clear();
    void Hide();
    void Show();
    bool Cancelled() const { return m_cancelled != 0; }
    bool PeekAndPump(bool cancelOnEscape = true);
    void OnCancel();

    void SetPersistent(bool persist) { m_persist = persist ? 1 : 0; }
    int GetPos() const { return m_position; }
    const std::string& GetTitle() const { return m_title; }
    // The caption and text last shown (empty before the window exists).
    const std::string& GetCaption() const { return m_caption; }
    const std::string& GetText() const { return m_text; }
    bool IsModal() const { return m_modal != 0; }

    // The sink that engine workers report through; it forwards to this window.
    ProgressSink* GetSink() { return &m_sink; }

    bool SetPosition(int pos) override;
    bool SetMaxPosition(int max) override;
    void SetDescription(int stringId, int n) override;
    void SetDescriptionFrames(int stringId, int a, int b) override;
    void SetDescriptionPairFrames(int stringId, int a, int b) override;

private:
    void CommonConstruct();
    void ShowText(const std::string& text);
    void SaveCurrentSettings();
    void GetPreviousSettings();

    int m_cancelled = 0;
    int m_modal = 0;
    int m_persist = 0;
    int m_position = 0;
    int m_lastPercent = 0;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    int m_lines = 4;
    int m_barPosition = 0;
    std::string m_title;
    std::string m_cancelLabel;
    std::string m_caption;
    std::string m_text;
    ProgressSink m_sink;
    std::unique_ptr<stitchkit::IProgressWindowBackend> m_backend;
};
