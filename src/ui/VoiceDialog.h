#pragma once
// The Voice dialog of Read Aloud: the speech service's voices (listed on a thread of their
// own, since a synthesizer with many languages takes seconds to list them), a filter over
// them, and the pitch and volume. The first entry leaves the choice of voice to the service.
#include "core/port/ViewPort.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;

namespace qm {

class VoiceDialog : public QDialog {
    Q_OBJECT
public:
    VoiceDialog(std::function<std::vector<std::string>()> voices, const VoiceChoice& current,
                QWidget* parent = nullptr);

    VoiceChoice choice() const;
    // The voices have been listed (or the listing gave none).
    bool listed() const { return m_listed; }

    QLineEdit* filter;
    QListWidget* voiceList;
    QLabel* status;
    QSlider* pitch;
    QSlider* volume;

signals:
    void voicesListed();

private:
    void showVoices(const std::vector<std::string>& voices);
    void applyFilter();

    std::string m_current;
    bool m_listed = false;
};

} // namespace qm
