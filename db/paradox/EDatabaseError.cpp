#include "db/paradox/EDatabaseError.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The last part of a folder's path, or the whole path when it has none (a root).
QString FolderName(const QString &folder)
{
    const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    return name.isEmpty() ? Native(folder) : name;
}

} // namespace

EDatabaseError EDatabaseError::MissingFolder(const QString &folder)
{
    return EDatabaseError(QStringLiteral("Папка «%1» не найдена.").arg(FolderName(folder)),
        QStringLiteral("Folder does not exist: %1").arg(Native(folder)));
}

EDatabaseError EDatabaseError::MissingTable(const QString &path)
{
    const QFileInfo file(path);
    return EDatabaseError(QStringLiteral("Таблица «%1» не найдена в папке «%2».")
                              .arg(file.fileName(), FolderName(file.path())),
        QStringLiteral("Table does not exist: %1").arg(Native(path)));
}

EDatabaseError EDatabaseError::DamagedTable(const QString &path, const QString &cause)
{
    const QFileInfo file(path);
    return EDatabaseError(
        QStringLiteral("Таблица «%1» в папке «%2» повреждена и не может быть прочитана.")
            .arg(file.fileName(), FolderName(file.path())),
        QStringLiteral("Table %1 is damaged: %2").arg(Native(path), cause));
}

EDatabaseError EDatabaseError::RejectedQuery(const QString &detail)
{
    return EDatabaseError(
        QStringLiteral("Запрос отклонён: данные справочника можно только читать."), detail);
}

EDatabaseError EDatabaseError::InvalidQuery(const QString &detail)
{
    return EDatabaseError(
        QStringLiteral("Запрос не может быть выполнен: в нём есть ошибка."), detail);
}
