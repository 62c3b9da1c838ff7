// PLACEHOLDER: the window's owner replaces this file.
