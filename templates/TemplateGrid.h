#pragma once

#include <QString>

// The six grids of the template editor.
enum class TemplateGrid { EntryField, FieldValue, FileNameField, Question, Answer, Picklist };

namespace TemplateGrids {

constexpr int Count = 6;

// The grid's object name, its layout file and the key filter its drag and drop uses.
struct Info {
    const char* objectName;
    const char* layoutFile;
    const char* keyFilterPrefix;
};

inline Info info(TemplateGrid grid) {
    static const Info grids[Count] = {
        {"jgEntryField", "frmTemplateEntryFields.lyt", "TemplateFieldKey="},
        {"jgFieldValue", "frmTemplateFieldValue.lyt", "TemplateFieldValueKey="},
        {"jgFileNameField", "frmTemplateFileField.lyt", "FileNameFieldKey="},
        {"jgQuestion", "frmTemplateQuestion.lyt", "TemplateQuestionKey="},
        {"jgAnswer", "frmTemplateAnswer.lyt", "TemplateAnswerKey="},
        {"jgPicklist", "frmTemplatePicklist.lyt", "TemplatePickListKey="},
    };
    return grids[int(grid)];
}

} // namespace TemplateGrids
