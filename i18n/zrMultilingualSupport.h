#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TTranslationDictionary;

// The collation of ORDER BY ... COLLATE clauses when no dictionary names another.
inline const QString DefaultCollationName = QStringLiteral("PXW_CYRL");

// The non-visual component every settings dialog carries: when its form is shown it lets the
// process-wide dictionary re-express the form's texts in the dictionary's language.
class TzrMultilingualSupport : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QString Language READ Language WRITE SetLanguage)
    Q_PROPERTY(QString Context READ Context WRITE SetContext)

public:
    // Qt has no separate phase of reading a form resource, so the constructor ends with what
    // Loaded does: a form that owns the component is watched for its show from the start.
    explicit TzrMultilingualSupport(QObject *owner);
    ~TzrMultilingualSupport() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    // The language the owner form's texts are currently in.
    QString Language() const { return FLanguage; }
    void SetLanguage(const QString &value) { FLanguage = value; }
    // The dictionary context searched first; the owner's class name unless set.
    QString Context() const { return FContext; }
    void SetContext(const QString &value) { FContext = value; }

    // Starts watching the owner form's show; does nothing when the owner is not a form.
    void Loaded();
    // What happens on every show of the owner form.
    void OwnerFormShow(QObject *sender);
    // One translation run, handed to the dictionary; only meaningful while one is installed.
    void TranslateComponents(bool recollect);
    // Rebuilds the list of components a translation run walks: the owner form and what it holds.
    void CollectComponents();
    // The ids of the form's current language and of the dictionary's; asked only while a
    // dictionary is installed.
    int SourceLanguageId() const;
    int TargetLanguageId() const;

    // The collation for ORDER BY clauses: the dictionary's for its language, else "PXW_CYRL".
    QString CollationName() const;

    // The owner form, or null when the owner is not a form.
    QWidget *OwnerForm() const;
    // The components a translation run walks; filled by the dictionary's form walk.
    QList<QPointer<QObject>> &CollectedComponents() { return FCollected; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool FEnabled = true;
    QString FLanguage = QStringLiteral("rus");
    QString FContext;
    QList<QPointer<QObject>> FCollected;
    QPointer<QWidget> FWatchedForm;
};

// The point through which every text built at run time passes on its way to the screen: the
// dictionary's translation from Russian when one is installed and knows the text, else the text.
QString TranslateText(const QString &text);
