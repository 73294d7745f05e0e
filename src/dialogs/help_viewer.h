// The program's help: a help context number opens the help page written for it in the desktop's
// browser.
//
// The help file keeps its name ("zqveq6kv.hlp", in the folder "InstData.ini" names); its pages are
// HTML files in the folder "help" beside it: "index.html" is the contents page and "<n>.html" the
// page of help context n. A context without a page of its own opens the contents page. A missing
// help file (no contents page) is reported, and nothing is opened.
#pragma once

#include <QUrl>
#include <functional>
#include <string>

// The help file's full name: AppDir() + "zqveq6kv.hlp" until start-up sets it from "InstData.ini".
std::string HelpFileName();
void SetHelpFileName(const std::string& name);
// The folder of the help pages for a help file name ("<folder of the file>/help/").
std::string HelpPageFolder(const std::string& helpFile);
// The page that shows help context ctx of the help file: its own page, else the contents page;
// empty when the help file has no pages at all.
std::string HelpPageFor(const std::string& helpFile, int ctx);

// Opens the help file at a context (0: its contents). False, after the message, when the help
// file is missing or the browser cannot be started.
bool ShowHelpContext(int ctx, const std::string& helpFile = std::string());
bool ShowHelpContents(const std::string& helpFile = std::string());

// Opens a document, program or web address with the desktop's default handler. Tests replace the
// opener (OpenUrlHook) to see what would be opened.
bool OpenDesktopUrl(const QUrl& url);
extern std::function<bool(const QUrl&)> OpenUrlHook;
