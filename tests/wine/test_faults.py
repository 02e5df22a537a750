"""The bounded fault sweep: in every small-symbol scenario each import of the plugin failed at its
first, second and last call, one point at a time (tests/wine/faultsweep.py; `make faults` runs
the full sweep). Prints the sweep's table whether it passes or not."""
import faultsweep


def test_every_injected_failure_is_survived_answered_and_cleaned_up(tmp_path, capsys):
    summary = faultsweep.Sweep(tmp_path, faultsweep.scenarios(faultsweep.SMALL_TEXT), full=False,
                               say=lambda _: None).run()
    with capsys.disabled():
        print("\nbounded fault sweep\n" + summary.table())
        if summary.repeats():
            print(summary.repeats())
    assert summary.all_passed(), summary.details()
    # Each scenario really failed calls: a sweep that injected nothing would pass as well.
    assert all(points > 0 for _, points, *_ in summary.rows())
