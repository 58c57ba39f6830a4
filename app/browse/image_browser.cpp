#include "image_browser.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "file_view.h"
#include "folder_pane.h"
#include "stitchkit/Host.h"

CImageBrowser::CImageBrowser(QWidget* parent) : QWidget(parent) {
    setObjectName("ImageBrowser");
    m_folders = new FolderPane(this);
    m_files = new CFileView(this);

    auto* filesBox = new QWidget(this);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    m_iconsButton = new QToolButton(filesBox);
    m_iconsButton->setObjectName("ThumbnailsView");
    m_iconsButton->setText(tr("Thumbnails"));
    m_reportButton = new QToolButton(filesBox);
    m_reportButton->setObjectName("DetailsView");
    m_reportButton->setText(tr("Details"));
    for (QToolButton* b : {m_iconsButton, m_reportButton}) {
        b->setCheckable(true);
        b->setAutoRaise(true);
    }
    m_iconsButton->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(m_iconsButton);
    group->addButton(m_reportButton);
    auto* folderLabel = new QLabel(filesBox);
    folderLabel->setObjectName("FolderLabel");
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header->addWidget(folderLabel, 1);
    header->addWidget(m_iconsButton);
    header->addWidget(m_reportButton);
    auto* filesLayout = new QVBoxLayout(filesBox);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->setSpacing(2);
    filesLayout->addLayout(header);
    filesLayout->addWidget(m_files, 1);

    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->addWidget(m_folders);
    m_split->addWidget(filesBox);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({240, 700});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_split);

    connect(m_iconsButton, &QToolButton::toggled, this,
            [this](bool on) { m_files->SetReportView(!on); });
    connect(m_folders, &FolderPane::FolderChosen, this, &CImageBrowser::OnFolderChosen);
    connect(m_folders, &FolderPane::RefreshRequested, m_files, &CFileView::Refresh);
    connect(m_folders, &FolderPane::FolderChosen, folderLabel, &QLabel::setText);
}

void CImageBrowser::Start() {
    const std::string remembered =
        stitchkit::ProfileStore().GetString("ImageBrowser", "MostRecentDirectory", "");
    const QString folder = StartFolder(QString::fromStdString(remembered));
    if (!m_folders->SelectPath(folder)) OnFolderChosen(folder);
}

bool CImageBrowser::ChooseFolder(const QString& folder) {
    return m_folders->SelectPath(folder);
}

void CImageBrowser::OnFolderChosen(const QString& path) {
    stitchkit::ProfileStore().WriteString("ImageBrowser", "MostRecentDirectory",
                                          path.toStdString());
    if (path != m_files->Directory()) m_files->SetDirectory(path);
}
