#include "about_box.h"
#include "window_ids.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace nerivo;

using nerivo::control_id;

TEST(AboutBox, HasIconNameAndVersionAndDefaultOk) {
    AboutBox about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Nerivo"));
    EXPECT_EQ(about.minimumSize(), QSize(411, 89)); // 235 x 55 units
    EXPECT_EQ(about.maximumSize(), QSize(411, 89));
    const std::vector<QWidget*>& order = about.controls().in_layout_order();
    ASSERT_EQ(order.size(), 3u);
    auto* picture = qobject_cast<QLabel*>(order[0]);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
    auto* text = qobject_cast<QLabel*>(order[1]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("Nerivo Version 1.0"));
    EXPECT_EQ(text->textFormat(), Qt::PlainText); // no "&" processing
    auto* ok = qobject_cast<QPushButton*>(order[2]);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(control_id(ok), IDC_ABOUT_OK);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(about.focusWidget(), ok);
}

// Runs the box modally and ends it from inside its own loop.
int run_and(const std::function<void(AboutBox&)>& end) {
    AboutBox about;
    QTimer::singleShot(0, &about, [&] { end(about); });
    QTimer::singleShot(3000, &about, [&] { about.done(-1); }); // never hang the suite
    return about.exec();
}

TEST(AboutBox, OkEnterEscAndCloseBoxAllEndIt) {
    EXPECT_EQ(run_and([](AboutBox& box) {
                  QTest::mouseClick(box.control(IDC_ABOUT_OK), Qt::LeftButton);
              }),
              QDialog::Accepted);
    EXPECT_EQ(run_and([](AboutBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
              QDialog::Accepted);
    EXPECT_EQ(run_and([](AboutBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              QDialog::Rejected);
    EXPECT_EQ(run_and([](AboutBox& box) { box.close(); }), QDialog::Rejected);
}

} // namespace
