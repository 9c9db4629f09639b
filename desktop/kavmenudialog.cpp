// SPDX-License-Identifier: GPL-2.0-or-later
#include "kavmenudialog.h"

#include "applicationentry.h"

#include <QCollator>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

static constexpr int EntryIndexRole = Qt::UserRole;

namespace {
struct Category
{
    const char *key;
    const char *title;
    const char *icon;
};
} // namespace

// The freedesktop main categories. Audio and Video belong with AudioVideo, so that one menu holds
// all media.
static const Category categories[] = {
    { "AudioVideo", QT_TRANSLATE_NOOP("KavMenuDialog", "Multimedia"), "applications-multimedia" },
    { "Audio", QT_TRANSLATE_NOOP("KavMenuDialog", "Multimedia"), "applications-multimedia" },
    { "Video", QT_TRANSLATE_NOOP("KavMenuDialog", "Multimedia"), "applications-multimedia" },
    { "Development", QT_TRANSLATE_NOOP("KavMenuDialog", "Development"),
        "applications-development" },
    { "Education", QT_TRANSLATE_NOOP("KavMenuDialog", "Education"), "applications-education" },
    { "Game", QT_TRANSLATE_NOOP("KavMenuDialog", "Games"), "applications-games" },
    { "Graphics", QT_TRANSLATE_NOOP("KavMenuDialog", "Graphics"), "applications-graphics" },
    { "Network", QT_TRANSLATE_NOOP("KavMenuDialog", "Internet"), "applications-internet" },
    { "Office", QT_TRANSLATE_NOOP("KavMenuDialog", "Office"), "applications-office" },
    { "Science", QT_TRANSLATE_NOOP("KavMenuDialog", "Science"), "applications-science" },
    { "Settings", QT_TRANSLATE_NOOP("KavMenuDialog", "Settings"), "preferences-system" },
    { "System", QT_TRANSLATE_NOOP("KavMenuDialog", "System"), "applications-system" },
    { "Utility", QT_TRANSLATE_NOOP("KavMenuDialog", "Utilities"), "applications-utilities" },
};
static const Category otherCategory = { "", QT_TRANSLATE_NOOP("KavMenuDialog", "Other"),
    "applications-other" };

/** The menu of the first main category in @p entryCategories; Other without one. */
static const Category &findMainCategory(const QStringList &entryCategories)
{
    for (const QString &key : entryCategories) {
        const auto found = std::find_if(std::begin(categories), std::end(categories),
            [&key](const Category &category) { return key == QLatin1String(category.key); });
        if (found != std::end(categories))
            return *found;
    }
    return otherCategory;
}

KavMenuDialog::KavMenuDialog(QWidget *parent)
    : QDialog(parent)
    , filterEdit(new QLineEdit(this))
    , menuTree(new QTreeWidget(this))
    , buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
    , applications(ApplicationEntry::installed())
{
    setWindowTitle(tr("Choose Application"));
    resize(420, 480);

    filterEdit->setPlaceholderText(tr("Search"));
    //: What screen readers call the field that narrows the menu to matching applications
    filterEdit->setAccessibleName(tr("Search applications"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->installEventFilter(this);
    connect(filterEdit, &QLineEdit::textChanged, this, &KavMenuDialog::applyFilter);

    menuTree->setHeaderHidden(true);
    menuTree->setAccessibleName(tr("Applications"));
    menuTree->setFocusPolicy(Qt::NoFocus);
    menuTree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(menuTree, &QTreeWidget::currentItemChanged, this, &KavMenuDialog::updateOkButton);
    connect(menuTree, &QTreeWidget::itemActivated, this, &KavMenuDialog::accept);

    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &KavMenuDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &KavMenuDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(filterEdit);
    layout->addWidget(menuTree);
    layout->addWidget(buttons);

    fillMenu();
    applyFilter(QString());
    filterEdit->setFocus();
}

KavMenuDialog::~KavMenuDialog() = default;

void KavMenuDialog::setUsageScore(const std::function<double(const ApplicationEntry &)> &score)
{
    usageScore = score;
    applyFilter(filterEdit->text());
}

ApplicationEntry KavMenuDialog::chosenApplication() const
{
    return chosen == -1 ? ApplicationEntry() : applications.at(chosen);
}

void KavMenuDialog::accept()
{
    const QTreeWidgetItem *current = currentApplication();
    if (!current)
        return;
    chosen = current->data(0, EntryIndexRole).toInt();
    QDialog::accept();
}

bool KavMenuDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == filterEdit && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
            moveCurrent(-1);
            return true;
        case Qt::Key_Down:
            moveCurrent(1);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void KavMenuDialog::fillMenu()
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(applications.begin(), applications.end(),
        [&collator](const ApplicationEntry &left, const ApplicationEntry &right) {
            return collator.compare(left.name, right.name) < 0;
        });

    QMap<QString, QTreeWidgetItem *> categoryItems;
    for (int index = 0; index < applications.size(); ++index) {
        const ApplicationEntry &entry = applications.at(index);
        applicationKeys.append(ApplicationKeys(entry));
        const Category &category = findMainCategory(entry.categories);
        const QString title = tr(category.title);
        QTreeWidgetItem *&categoryItem = categoryItems[title];
        if (!categoryItem) {
            categoryItem = new QTreeWidgetItem({ title });
            categoryItem->setIcon(0, QIcon::fromTheme(QLatin1String(category.icon)));
            categoryItem->setFlags(Qt::ItemIsEnabled);
        }
        auto *item = new QTreeWidgetItem(categoryItem, { entry.name });
        item->setIcon(0, entry.themedIcon());
        item->setToolTip(0, entry.comment.isEmpty() ? entry.genericName : entry.comment);
        item->setData(0, EntryIndexRole, index);
        menuItems.append(item);
    }

    QStringList titles = categoryItems.keys();
    std::sort(titles.begin(), titles.end(), collator);
    // "Other" goes last, whatever it sorts like in the user's language.
    const QString otherTitle = tr(otherCategory.title);
    if (titles.removeOne(otherTitle))
        titles.append(otherTitle);
    for (const QString &title : qAsConst(titles))
        menuTree->addTopLevelItem(categoryItems.value(title));
    menuTree->expandAll();
}

void KavMenuDialog::applyFilter(const QString &filter)
{
    qDeleteAll(foundItems);
    foundItems.clear();
    const bool searching = !filter.trimmed().isEmpty();
    for (int row = 0; row < menuTree->topLevelItemCount(); ++row)
        menuTree->topLevelItem(row)->setHidden(searching);
    menuTree->setRootIsDecorated(!searching);
    if (searching)
        showFound(filter);
    // The best match is the one Enter takes.
    if (searching || !currentApplication())
        menuTree->setCurrentItem(visibleApplications().value(0));
    updateOkButton();
}

void KavMenuDialog::showFound(const QString &filter)
{
    const QString typed = MatchKey::folded(filter.simplified());
    struct Found
    {
        Match match;
        double score;
    };
    QVector<Found> found;
    for (int index = 0; index < applications.size(); ++index) {
        const MatchClass quality = applicationKeys.at(index).match(typed);
        if (quality != MatchClass::None || applications.at(index).matches(filter))
            found.append(
                { { index, quality }, usageScore ? usageScore(applications.at(index)) : 0 });
    }
    // The applications are in the order of their names already.
    std::stable_sort(found.begin(), found.end(), [](const Found &left, const Found &right) {
        if (left.match.quality != right.match.quality)
            return left.match.quality < right.match.quality;
        return left.score > right.score;
    });
    for (const Found &application : qAsConst(found)) {
        auto *item = menuItems.at(application.match.position)->clone();
        menuTree->addTopLevelItem(item);
        foundItems.append(item);
    }
}

void KavMenuDialog::moveCurrent(int step)
{
    const QList<QTreeWidgetItem *> shown = visibleApplications();
    if (shown.isEmpty())
        return;
    const int index = shown.indexOf(menuTree->currentItem()) + step;
    menuTree->setCurrentItem(shown.at(qBound(0, index, shown.size() - 1)));
}

void KavMenuDialog::updateOkButton()
{
    buttons->button(QDialogButtonBox::Ok)->setEnabled(currentApplication() != nullptr);
}

QList<QTreeWidgetItem *> KavMenuDialog::visibleApplications() const
{
    if (!foundItems.isEmpty())
        return foundItems;
    QList<QTreeWidgetItem *> shown;
    for (int row = 0; row < menuTree->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *categoryItem = menuTree->topLevelItem(row);
        if (categoryItem->isHidden())
            continue;
        for (int child = 0; child < categoryItem->childCount(); ++child)
            shown.append(categoryItem->child(child));
    }
    return shown;
}

const QTreeWidgetItem *KavMenuDialog::currentApplication() const
{
    const QTreeWidgetItem *current = menuTree->currentItem();
    if (!current || current->isHidden() || !current->data(0, EntryIndexRole).isValid()
        || (current->parent() && current->parent()->isHidden()))
        return nullptr;
    return current;
}
