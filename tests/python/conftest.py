"""Property tests draw the same examples on every run, so CI is repeatable."""

from hypothesis import settings

settings.register_profile("vantor", derandomize=True, database=None, deadline=None,
                          max_examples=150, print_blob=True)
settings.load_profile("vantor")
