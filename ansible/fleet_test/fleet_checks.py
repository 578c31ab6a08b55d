"""The fleet test's checks: each prints its verdict, failures are kept for
the summary at the end."""

failures = []


def check(condition, what):
    print(("  ok    " if condition else "  FAIL  ") + what)
    if not condition:
        failures.append(what)
