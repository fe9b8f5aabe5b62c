#pragma once
// The window program: reads the application settings, loads the display
// language, runs the main window again and again while its language is
// changed, and stores the settings when it is closed for good.

class CMyQ6KApp
{
public:
    // Returns the process's exit status. An argument names a configuration
    // file to open at start.
    int Run(int argc, char** argv);

    // Whether a window system can be reached (a display, or a Qt platform
    // chosen by the user); false for a plain terminal session.
    static bool HasDisplay();
};
