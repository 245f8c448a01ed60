#include "dialogs/MapShowsDlg.h"

#include "dialogs/DialogFrame.h"

CoverageLayer CMapShowsDlg::LayerOfRow(int row) {
    if (row <= 0 || row > kMetricCount) return CoverageLayer::Signal();
    return CoverageLayer::Of(static_cast<Metric>(row - 1));
}

CMapShowsDlg::CMapShowsDlg(const CoverageLayer& layer, const std::string& requirement,
                           Choose choose, QWidget* parent)
    : QDialog(parent),
      m_choose(std::move(choose)),
      m_layersLabel(QStringLiteral("Map shows:"), this),
      m_requirementLabel(QStringLiteral("Requirement:"), this),
      m_hint(QStringLiteral("data, voice, location, or criteria"), this),
      m_error(this),
      m_layers(this),
      m_requirement(this),
      m_show(QStringLiteral("SHOW"), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("Map Shows"), 160, 96);
    dialogs::PlaceControl(m_layersLabel, 4, 6, 44, 10);
    dialogs::PlaceControl(m_layers, 48, 4, 108, 13);
    dialogs::PlaceControl(m_requirementLabel, 4, 24, 44, 10);
    dialogs::PlaceControl(m_requirement, 48, 22, 108, 13);
    dialogs::PlaceControl(m_hint, 4, 38, 152, 10);
    dialogs::PlaceControl(m_error, 4, 50, 152, 22);
    dialogs::PlaceControl(m_show, 4, 78, 152, 14);

    m_layers.addItem(QStringLiteral("Signal"));
    for (int m = 0; m < kMetricCount; ++m)
        m_layers.addItem(QString::fromUtf8(BandsOf(static_cast<Metric>(m)).name));
    m_layers.setCurrentIndex(layer.metric ? static_cast<int>(*layer.metric) + 1 : 0);

    m_requirement.setEditable(true);
    m_requirement.setInsertPolicy(QComboBox::NoInsert);
    m_requirement.addItems(
        {QString(), QStringLiteral("data"), QStringLiteral("voice"), QStringLiteral("location")});
    m_requirement.setEditText(QString::fromStdString(requirement));
    m_hint.setStyleSheet(QStringLiteral("color: #606060"));
    m_error.setWordWrap(true);
    m_error.setStyleSheet(QStringLiteral("color: #C00000"));
    m_show.setDefault(true);
    connect(&m_show, &QPushButton::clicked, this, &CMapShowsDlg::Show);
}

void CMapShowsDlg::Show() {
    const std::string why = m_choose ? m_choose(LayerOfRow(m_layers.currentIndex()),
                                                m_requirement.currentText().trimmed().toStdString())
                                     : std::string();
    if (why.empty()) return accept();
    m_error.setText(QString::fromStdString(why));
}
