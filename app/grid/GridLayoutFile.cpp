#include "GridLayoutFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int WidestColumn = 4000;
// A layout is a few hundred bytes; anything far larger is not one.
constexpr qint64 LargestFile = 1 << 20;

int indexOfColumn(const QList<GridColumn>& columns, const QString& name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).column.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<GridLayoutFile::Column> readColumn(const QJsonValue& entry, const QList<GridColumn>& columns) {
    if (!entry.isObject())
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    const QJsonValue name = object.value(QLatin1String("column"));
    if (!name.isString())
        return std::nullopt;
    GridLayoutFile::Column column;
    column.index = indexOfColumn(columns, name.toString());
    if (column.index < 0)
        return std::nullopt;
    if (object.contains(QLatin1String("caption"))) {
        const QJsonValue caption = object.value(QLatin1String("caption"));
        if (!caption.isString())
            return std::nullopt;
        column.caption = caption.toString();
    }
    if (object.contains(QLatin1String("visible"))) {
        const QJsonValue visible = object.value(QLatin1String("visible"));
        if (!visible.isBool())
            return std::nullopt;
        column.visible = visible.toBool();
    }
    if (object.contains(QLatin1String("width"))) {
        const QJsonValue width = object.value(QLatin1String("width"));
        const double pixels = width.toDouble(-1);
        if (!width.isDouble() || pixels < 0 || pixels > WidestColumn || pixels != int(pixels))
            return std::nullopt;
        column.width = int(pixels);
    }
    return column;
}

} // namespace

std::optional<GridLayoutFile> GridLayoutFile::read(const QString& path, const QList<GridColumn>& columns) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > LargestFile)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();

    GridLayoutFile layout;
    if (root.contains(QLatin1String("columnHeaders"))) {
        if (!root.value(QLatin1String("columnHeaders")).isBool())
            return std::nullopt;
        layout.columnHeaders = root.value(QLatin1String("columnHeaders")).toBool();
    }
    if (root.contains(QLatin1String("sort"))) {
        const QJsonValue sort = root.value(QLatin1String("sort"));
        if (!sort.isString() || (!sort.toString().isEmpty() && indexOfColumn(columns, sort.toString()) < 0))
            return std::nullopt;
        layout.sortColumn = sort.toString();
    }
    const QJsonValue list = root.value(QLatin1String("columns"));
    if (!list.isUndefined() && !list.isArray())
        return std::nullopt;
    QList<bool> seen(columns.size(), false);
    for (const QJsonValue& entry : list.toArray()) {
        const std::optional<Column> column = readColumn(entry, columns);
        if (!column || seen[column->index])
            return std::nullopt;
        seen[column->index] = true;
        layout.columns.append(*column);
    }
    return layout;
}
