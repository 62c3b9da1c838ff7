#include "ui/VoiceDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSlider>
#include <QVBoxLayout>

#include <thread>

namespace qm {

namespace {

const QString kServiceOwn = QStringLiteral("The speech service's own voice");

QSlider* level(QWidget* parent, const char* name, int value) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(-100, 100);
    slider->setPageStep(10);
    slider->setValue(value);
    return slider;
}

} // namespace

VoiceDialog::VoiceDialog(std::function<std::vector<std::string>()> voices,
                         const VoiceChoice& current, QWidget* parent)
    : QDialog(parent)
    , m_current(current.voice) {
    setObjectName("VoiceDialog");
    setWindowTitle("Voice");
    filter = new QLineEdit(this);
    filter->setObjectName("VoiceFilter");
    filter->setPlaceholderText("Type to narrow the list (a language, a name)");
    voiceList = new QListWidget(this);
    voiceList->setObjectName("VoiceList");
    status = new QLabel("Asking the speech service for its voices...", this);
    status->setObjectName("VoiceStatus");
    pitch = level(this, "PitchSlider", current.pitch);
    volume = level(this, "VolumeSlider", current.volume);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(filter, &QLineEdit::textChanged, this, [this] { applyFilter(); });

    auto* form = new QFormLayout;
    form->addRow("Pitch", pitch);
    form->addRow("Volume", volume);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter);
    layout->addWidget(voiceList);
    layout->addWidget(status);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 460);

    // The listing may outlast the dialog: its result finds the dialog only while it is there.
    std::thread([voices = std::move(voices), self = QPointer<VoiceDialog>(this)] {
        std::vector<std::string> names = voices ? voices() : std::vector<std::string>{};
        QMetaObject::invokeMethod(
            qApp,
            [self, names = std::move(names)] {
                if (self) self->showVoices(names);
            },
            Qt::QueuedConnection);
    }).detach();
}

void VoiceDialog::showVoices(const std::vector<std::string>& voices) {
    voiceList->clear();
    voiceList->addItem(kServiceOwn);
    voiceList->setCurrentRow(0);
    for (const std::string& name : voices) {
        voiceList->addItem(QString::fromStdString(name));
        if (name == m_current) voiceList->setCurrentRow(voiceList->count() - 1);
    }
    m_listed = true;
    status->setText(voices.empty() ? QStringLiteral("The speech service names no voices.")
                                   : QString::number(voices.size()) + " voices");
    applyFilter();
    if (voiceList->currentItem()) voiceList->scrollToItem(voiceList->currentItem());
    emit voicesListed();
}

void VoiceDialog::applyFilter() {
    const QString text = filter->text().trimmed();
    for (int i = 1; i < voiceList->count(); ++i) {
        QListWidgetItem* item = voiceList->item(i);
        item->setHidden(!text.isEmpty() && !item->text().contains(text, Qt::CaseInsensitive));
    }
}

VoiceChoice VoiceDialog::choice() const {
    VoiceChoice c;
    // Until the voices are listed the voice stays as it was.
    c.voice = m_current;
    if (m_listed) {
        const QListWidgetItem* item = voiceList->currentItem();
        c.voice = item && voiceList->row(item) > 0 ? item->text().toStdString() : std::string();
    }
    c.pitch = pitch->value();
    c.volume = volume->value();
    return c;
}

} // namespace qm
