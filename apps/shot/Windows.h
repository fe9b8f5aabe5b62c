#pragma once
// The windows q6k-shot can render, each set up with sample content.

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

struct ShotWindow
{
    const char* name;
    // Null when the window cannot be made (a language module is missing).
    std::function<std::unique_ptr<QWidget>()> make;
};

const std::vector<ShotWindow>& ShotWindows();
