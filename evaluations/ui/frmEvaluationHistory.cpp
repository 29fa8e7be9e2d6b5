#include "frmEvaluationHistory.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

frmEvaluationHistory::frmEvaluationHistory(const Database& database, qint64 evaluationKey, const QString& fileName,
                                           QWidget* owner)
    : QDialog(owner), m_logic(database) {
    setObjectName(QStringLiteral("frmEvaluationHistory"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_logic.load(evaluationKey, fileName);
    setWindowTitle(m_logic.caption());

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("lstHistory"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_empty = new QLabel(EvaluationHistoryList::emptyText(), this);
    m_empty->setObjectName(QStringLiteral("lblEmpty"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_empty);
    layout->addWidget(close, 0, Qt::AlignRight);
    showLines();
    resize(860, 420);
}

void frmEvaluationHistory::showLines() {
    const QStringList headings = EvaluationHistoryList::headings();
    const QList<EvaluationHistoryList::Line>& lines = m_logic.lines();
    m_table->setColumnCount(int(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setRowCount(int(lines.size()));
    for (int row = 0; row < lines.size(); ++row) {
        const EvaluationHistoryList::Line& line = lines.at(row);
        const QStringList cells{line.when, line.who, line.how, line.what, line.oldValue, line.newValue};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            item->setToolTip(cells.at(column));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    for (int column = 0; column < m_table->columnCount() - 1; ++column)
        m_table->setColumnWidth(column, qMin(m_table->columnWidth(column), 240));
    m_empty->setVisible(lines.isEmpty());
    if (!lines.isEmpty())
        m_table->setCurrentCell(0, 0);
}
