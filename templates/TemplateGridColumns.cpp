#include "TemplateGridColumns.h"

#include "FieldType.h"

namespace TemplateGridColumns {

namespace {

using Kind = GridColumn::Kind;

GridColumn hidden(const char* column, Kind kind = Kind::WholeNumber, const QVariant& defaultValue = QVariant()) {
    GridColumn hiddenColumn;
    hiddenColumn.caption = QString::fromLatin1(column);
    hiddenColumn.column = hiddenColumn.caption;
    hiddenColumn.visible = false;
    hiddenColumn.kind = kind;
    hiddenColumn.defaultValue = defaultValue;
    hiddenColumn.width = 60;
    return hiddenColumn;
}

GridColumn shown(const QString& caption, const char* column, int maxLength, const QString& help, int width,
                 const QString& toolTip = QString()) {
    GridColumn shownColumn;
    shownColumn.caption = caption;
    shownColumn.column = QString::fromLatin1(column);
    shownColumn.maxLength = maxLength;
    shownColumn.help = help;
    shownColumn.toolTip = toolTip;
    shownColumn.width = width;
    return shownColumn;
}

// The hidden "Order" column that drag and drop and new rows number.
GridColumn order(const QString& help = QString(), const QString& toolTip = QString()) {
    GridColumn column = shown(QStringLiteral("Order"), "Sequence", 2, help, 40, toolTip);
    column.visible = false;
    column.kind = Kind::WholeNumber;
    column.defaultValue = 99;
    return column;
}

GridColumn checkBox(const QString& caption, const char* column, const QString& help, const QString& toolTip) {
    GridColumn box = shown(caption, column, 0, help, 45, toolTip);
    box.kind = Kind::CheckBox;
    box.defaultValue = 0;
    return box;
}

GridColumn valueList(const QString& caption, const char* column, const QVariant& defaultValue,
                     const QList<GridValueItem>& items, const QString& help, int width,
                     const QString& toolTip = QString()) {
    GridColumn list = shown(caption, column, 0, help, width, toolTip);
    list.kind = Kind::ValueList;
    list.defaultValue = defaultValue;
    list.valueList = items;
    return list;
}

} // namespace

QList<GridColumn> entryField() {
    return {
        hidden("TemplateFieldKey"),
        order(QStringLiteral("Enter Order of fields to appear in handheld.  1-4 display first, rest in summary"),
              QStringLiteral("Order of the fields displayed in handheld")),
        shown(QStringLiteral("Label"), "FieldLabel", 20,
              QStringLiteral("Label used for input field, drag and drop to re-sequence"), 130,
              QStringLiteral("Label used for input field")),
        valueList(QStringLiteral("Type"), "FieldType", 0,
                  {{QStringLiteral("Text"), int(FieldType::Text)},
                   {QStringLiteral("Numeric"), int(FieldType::Numeric)},
                   {QStringLiteral("Dropdown"), int(FieldType::Dropdown)},
                   {QStringLiteral("Date"), int(FieldType::Date)}},
                  QStringLiteral("Type of entry field"), 80),
        [] {
            GridColumn length =
                shown(QStringLiteral("Len"), "FieldLength", 2, QStringLiteral("Entry field length"), 40);
            length.kind = Kind::WholeNumber;
            length.defaultValue = 20;
            return length;
        }(),
        hidden("TemplateKey"),
        valueList(QStringLiteral("Use On"), "UseOn", QStringLiteral("B"),
                  {{QStringLiteral("Hand held only"), QStringLiteral("H")},
                   {QStringLiteral("Report only"), QStringLiteral("R")},
                   {QStringLiteral("Both"), QStringLiteral("B")}},
                  QStringLiteral("Where do you want this field displayed"), 105, QStringLiteral("Display Where")),
        checkBox(QStringLiteral("Force"), "ForceEntry", QStringLiteral("Force the entry of this field"),
                 QStringLiteral("Force Entry ")),
        checkBox(QStringLiteral("Footer"), "Footer", QStringLiteral("Print in report footer"), QString()),
        hidden("GroupField", Kind::CheckBox, 0),
        hidden("Deleted", Kind::CheckBox, 0),
    };
}

QList<GridColumn> fieldValue() {
    return {
        hidden("TemplateFieldValueKey"),
        hidden("TemplateFieldKey"),
        shown(QStringLiteral("FieldValue"), "FieldValue", 20, QStringLiteral("Values to use in combo field"), 150),
        hidden("Deleted", Kind::CheckBox, 0),
    };
}

QList<GridColumn> fileNameField() {
    GridColumn field = shown(QStringLiteral("Field"), "FieldLabel", 0, QString(), 150);
    field.stored = false;
    return {hidden("FileNameFieldKey"), order(), hidden("TemplateFieldKey"), field};
}

QList<GridColumn> question() {
    return {
        hidden("TemplateQuestionKey"),
        hidden("TemplateKey"),
        shown(QStringLiteral("Question"), "Question", 100,
              QStringLiteral("Enter question for template, drag and drop to re-sequence"), 280,
              QStringLiteral("Template Question")),
        order(QStringLiteral("Enter number to order question by (lowest first / highest last)"),
              QStringLiteral("Order Question by")),
        hidden("Deleted", Kind::CheckBox, 0),
    };
}

QList<GridColumn> answer() {
    return {
        hidden("TemplateAnswerKey"),
        hidden("TemplateQuestionKey"),
        shown(QStringLiteral("Answer"), "Answer", 50,
              QStringLiteral("Enter answer for question, drag and drop to re-sequence"), 150, QStringLiteral("Answer")),
        order(QStringLiteral("Enter number to order answer by (lowest first / highest last)"),
              QStringLiteral("Order Answer by")),
        hidden("Deleted", Kind::CheckBox, 0),
    };
}

QList<GridColumn> picklist() {
    return {
        hidden("TemplatePickListKey"),
        hidden("TemplateQuestionKey"),
        shown(QStringLiteral("Pick List"), "Name", 50,
              QStringLiteral("Enter item for list used to further define question, drag and drop to re-sequence"), 150,
              QStringLiteral("Pick List Item")),
        order(QStringLiteral("Enter number to order pick list item by (lowest first / highest last)"),
              QStringLiteral("Order Pick List by")),
        hidden("Deleted", Kind::CheckBox, 0),
    };
}

} // namespace TemplateGridColumns
