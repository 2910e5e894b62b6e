// Copy graph and save samples: the picture and the visible samples on the clipboard, every
// stored sample in a CSV file.
#pragma once

#include <windows.h>

#include <string>

struct brisk_window;

// Puts on the clipboard, in one opening of it, the graph as the window shows it (CF_DIB) and
// the visible samples as CSV text (CF_UNICODETEXT). A clipboard that another program keeps
// open is tried again for a moment, then a message box says so and nothing changes.
void copy_graph(brisk_window& window);

// Asks for a file with the Save As dialog, then starts writing every stored sample to it
// (start_saving). While a save runs, another is refused with a beep.
void save_samples(brisk_window& window);

// Starts the save of every stored sample to `path` on the saver's thread.
void start_saving(brisk_window& window, std::wstring path);

// The saver's message (save_message): its room ready, the samples are copied into it; the
// save ended, an error is shown in a message box that names the file and the system's reason.
void on_save_message(brisk_window& window, WPARAM stage);
