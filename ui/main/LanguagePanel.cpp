#include "ui/main/LanguagePanel.h"

#include "app/AppContext.h"
#include "app/LanguageTable.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"

#include <QComboBox>

LanguagePanel::LanguagePanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale), selector_(new QComboBox(this))
{
    const AppContext& app = appContext();
    addLabel(kTextLanguage, QRect(0, 0, 120, 36));
    selector_->setGeometry(scaled(120, 0, 260, 36));
    selector_->setFont(app.skin.text.font());
    selector_->addItems(LanguageTable::selectorEntries(SettingsFile::languagePack()));
    selector_->setCurrentIndex(std::min(app.languageIndex, selector_->count() - 1));
    connect(selector_, &QComboBox::currentIndexChanged, this, &LanguagePanel::languageChosen);
}
