#pragma once

#include <QDialog>

namespace jiujiu {

class ResultListModel;

// 查看全部名称: every listing a merged row stands for (serial, name, sources, size), in list
// order, and the warnings of the file.
class ResultNamesDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultNamesDialog)

public:
    // row: a model row; its group is shown.
    ResultNamesDialog(const ResultListModel &model, int row, QWidget *parent);
    ~ResultNamesDialog() override;
};

} // namespace jiujiu
