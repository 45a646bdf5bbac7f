// Keeps the support library non-empty while tests/support/ has no sources.
