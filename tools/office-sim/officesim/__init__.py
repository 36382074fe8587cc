"""The local office simulator: answers like the patent offices' services."""
