// The Shading Correction (resource 132) and Lens Distortion Correction (resource 133) windows:
// the picture before (1006) and after (1007) the correction, a slider with its labels, a number
// box, the two model buttons (1010 linear, 1011 quadratic), Cancel (28031) and Apply All (2144).
// Every slider movement recomputes the after-preview; movements that arrive while one is being
// computed are folded into the latest value, so the window never lags behind the slider.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>

#include <memory>

class CImageImpl;
class QLabel;
class QLineEdit;
class QSlider;
class QTimer;
class QToolButton;
class PreviewPane;

class CorrectionWindow : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Shading, Lens };
    // `preview` is the reduced copy of the picture (24 bits); value is the shading level or the
    // lens value, model 0 = linear, 1 = quadratic.
    CorrectionWindow(Kind kind, std::unique_ptr<CImageImpl> preview, int value, int model,
                     QWidget* parent = nullptr);
    ~CorrectionWindow() override;

    Kind GetKind() const { return m_kind; }
    int Value() const { return m_value; }
    int Model() const { return m_model; }
    // Lens window: kappa = value x largest kappa / 100, and the largest kappa of the preview.
    double Kappa() const;
    double LargestKappa() const { return m_maxKappa; }
    QSlider* Slider() const { return m_slider; }
    QLineEdit* NumberBox() const { return m_number; }
    QToolButton* Button(int id) const;
    // The after-preview as it is shown now, and how many times it was computed.
    const QImage& After() const { return m_after; }
    const QImage& Before() const { return m_before; }
    int Computations() const { return m_computations; }
    // Width / height the window keeps while it is resized.
    double AspectRatio() const { return m_aspect; }
    // Computes a pending value now (normally done from the event loop).
    void RecomputeNow();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetValue(int value);
    void Schedule();

    Kind m_kind;
    std::unique_ptr<CImageImpl> m_preview;
    int m_value = 0;
    int m_model = 0;
    bool m_scheduled = false;
    bool m_dirty = true;
    int m_computations = 0;
    double m_maxKappa = 0.0;
    double m_aspect = 1.0;
    QImage m_before, m_after;
    QTimer* m_resizeEnd = nullptr;
    int m_baseWidth = 0;
    QFont m_baseFont;
    PreviewPane* m_beforePane = nullptr;
    PreviewPane* m_afterPane = nullptr;
    QSlider* m_slider = nullptr;
    QLineEdit* m_number = nullptr;
};
