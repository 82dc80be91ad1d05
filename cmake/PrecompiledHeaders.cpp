// The translation unit that makes the precompiled headers; it holds nothing of its own.
