"""Waiting for the game's state in the end-to-end tests, never for a guessed time: a loaded
machine then makes a test slower, not wrong."""

import time


def until(condition, timeout=10, every=0.05):
    """Polls `condition` until it returns something true or `timeout` seconds pass; returns its
    last answer."""
    end = time.time() + timeout
    while True:
        answer = condition()
        if answer or time.time() >= end:
            return answer
        time.sleep(every)


def settled(grab, still=3, timeout=10):
    """Grabs the screen until `still` grabs in a row are the same, and returns that picture.
    Input reaches the game in the order it was sent, and a picture that holds still for that
    long (a third of a second at least) is one the game has finished drawing. A check that
    something did *not* change reads it from here; one that something did waits with `until`."""
    end = time.time() + timeout
    last, same = grab(), 1
    while same < still and time.time() < end:
        time.sleep(0.05)
        now = grab()
        same = same + 1 if now == last else 1
        last = now
    return last


_stamp = [0]


def answered(window, rounds=2, timeout=10):
    """Whether the X client owning `window` has handled everything sent to it before: it answers
    _NET_WM_PING on the same queue as its input. The first answer means the input has been
    read, the second that the event loop has gone round once more, delivering it and drawing
    what it did."""
    import select
    from Xlib import X, display, protocol
    d = display.Display()
    try:
        root = d.screen().root
        root.change_attributes(event_mask=X.StructureNotifyMask)
        protocols, ping = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("_NET_WM_PING")
        target = d.create_resource_object("window", int(window))
        end = time.time() + timeout
        for _ in range(rounds):
            _stamp[0] += 1
            stamp = _stamp[0]
            target.send_event(protocol.event.ClientMessage(
                window=target, client_type=protocols, data=(32, [ping, stamp, int(window), 0, 0])))
            d.flush()
            while True:
                while d.pending_events():
                    e = d.next_event()
                    if (e.type == X.ClientMessage and e.client_type == protocols
                            and e.data[1][0] == ping and e.data[1][1] == stamp):
                        break
                else:
                    left = end - time.time()
                    if left <= 0:
                        return False
                    select.select([d], [], [], left)
                    continue
                break
        return True
    finally:
        d.close()
