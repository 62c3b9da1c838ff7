#include "ui/ExportDialog.h"

#include "ui/Cp1252.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>

#include <array>

namespace qm {

namespace {

struct FileType {
    const char* filter;
    const char* suffix;
    const char* pageSize;
};

constexpr std::array<FileType, 5> kTypes = {{
    {"EPUB 3 book (*.epub)", "epub", "a4"},
    {"PDF, A4 pages (*.pdf)", "pdf", "a4"},
    {"PDF, Letter pages (*.pdf)", "pdf", "letter"},
    {"PDF, A5 pages (*.pdf)", "pdf", "a5"},
    {"PDF, 6-inch e-reader pages, 90 x 122 mm (*.pdf)", "pdf", "ereader"},
}};

} // namespace

std::optional<ViewPort::ExportChoice> askExportFile(QWidget* parent,
                                                    const std::string& suggestedPath) {
    QFileDialog dialog(parent, "Export");
    dialog.setObjectName("ExportDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const FileType& t : kTypes)
        filters << QString::fromUtf8(t.filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix("epub");
    const QFileInfo suggested(fromLocalPath(suggestedPath));
    dialog.setDirectory(suggested.absolutePath());
    dialog.selectFile(suggested.fileName());

    auto* shades = new QCheckBox("Paragraph shades", &dialog);
    shades->setObjectName("ParagraphShadesCheckBox");
    shades->setToolTip("Show the EPUB's paragraphs on their two background shades (some "
                       "e-readers' night and sepia themes do not show backgrounds well)");
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(shades, grid->rowCount(), 0, 1, grid->columnCount());
    // The name follows the file type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i < 0) return;
        const QString suffix = QString::fromUtf8(kTypes[static_cast<std::size_t>(i)].suffix);
        dialog.setDefaultSuffix(suffix);
        shades->setEnabled(suffix == "epub");
        if (auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit")) {
            const QFileInfo name(edit->text());
            if (!name.completeBaseName().isEmpty())
                edit->setText(name.completeBaseName() + "." + suffix);
        }
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;

    ViewPort::ExportChoice choice;
    choice.path = toLocalPath(dialog.selectedFiles().first());
    const qsizetype i = filters.indexOf(dialog.selectedNameFilter());
    if (i >= 0) choice.pageSize = kTypes[static_cast<std::size_t>(i)].pageSize;
    choice.shades = shades->isChecked();
    return choice;
}

} // namespace qm
