// Shows a folder in the Image File View's browser and waits until it is read.
#pragma once

#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include "file_list_model.h"
#include "file_view.h"
#include "folder_reader.h"
#include "image_browser.h"
#include "image_file_view.h"

// The names the browser lists for `folder`, in its order.
inline QStringList Browse(ImageFileView& view, const QString& folder) {
    CFileView* files = view.Browser()->Files();
    EXPECT_TRUE(view.Browser()->ChooseFolder(folder));
    EXPECT_EQ(files->Directory(), folder);
    EXPECT_TRUE(QTest::qWaitFor([files] { return !files->Reader()->IsReading(); }, 20000));
    QStringList names;
    for (int row = 0; row < files->Model()->rowCount(); ++row)
        names << files->Model()->Entry(row).name;
    return names;
}
