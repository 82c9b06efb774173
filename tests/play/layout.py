"""The page on phones, tablets and desktops (Chromium's device emulation): its controls fit the screen."""
from .screen import check, wait, skin

# CSS pixels wide and high, device pixels a CSS pixel, touch; the picture's width as the page has always given it
SCREENS = [
    (844, 390, 3, True, 520), (390, 844, 3, True, 390), (360, 740, 4, True, 360), (412, 915, 2.625, True, 412),
    (1024, 768, 2, True, 936), (800, 640, 1, False, 800), (1280, 800, 1, False, 1013)]

PLACES = """const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
  const shown = (e) => e.getClientRects().length > 0, s = document.scrollingElement;
  const controls = [...document.querySelectorAll('#bar button, .help')].filter(shown);
  const [l, , r] = box(canvas);
  return { scrolls: s.scrollWidth > innerWidth || s.scrollHeight > innerHeight,
    off: [...document.querySelectorAll('body *')].filter(shown).map(box)
      .filter(([x0, y0, x1, y1]) => x0 < -0.5 || y0 < -0.5 || x1 > innerWidth + 0.5 || y1 > innerHeight + 0.5),
    buttons: controls.filter((e) => e.tagName == 'BUTTON').map((e) => [e.id || e.textContent, ...box(e)]),
    help: controls.filter((e) => e.tagName == 'P').map((e) => e.id), picture: r - l,
    over: [canvas, ...controls].map(box).flatMap((a, i, all) => all.slice(i + 1)  // pairs that overlap
      .filter((b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3])).length };"""

def page_fits(p):
    """At each screen: nothing scrolls or reaches past its edges, the picture is as large as ever and
    no control covers it or another; every button, Pause among them, is at least 44 px square on a
    touch screen; the help speaks of taps there, of keys elsewhere. A finger lifted from the picture
    leaves no cursor."""
    from .cases import title_shown, press, in_play  # (cases imports this file)
    with p.emulating(fingers=True) as cdp:
        for w, h, ratio, touch, before in SCREENS:
            cdp('Emulation.setTouchEmulationEnabled', {'enabled': touch, 'maxTouchPoints': 5})
            cdp('Emulation.setDeviceMetricsOverride',
                {'width': w, 'height': h, 'deviceScaleFactor': ratio, 'mobile': touch})
            p.fingers, at = touch, f'{w}x{h}{" touch" * touch}'
            title_shown(p)
            got = p.js(PLACES)
            check(not got['scrolls'] and not got['off'], f'{at}: scrolls {got["scrolls"]}, past the edges {got["off"]}')
            check(got['picture'] >= before and not got['over'],
                  f'{at}: picture {got["picture"]} wide, {got["over"]} overlaps of it and the controls')
            small = [b for b in got['buttons'] if touch and min(b[3] - b[1], b[4] - b[2]) < 44]
            check(len(got['buttons']) == 4 + 3 * touch and 'pause' in [b[0] for b in got['buttons']] and not small,
                  f'{at}: buttons {got["buttons"]}')
            check(got['help'] == ['taps' if touch else 'help'], f'{at}: the help shown: {got["help"]}')
            if (w, h) != (844, 390):
                continue
            press(p, 'space', in_play, 'play after Space by touch')
            spot = (28, 268, 93, 333)  # around (60, 300), beside the case: a finger there patches nothing
            bare = p.shot().count(spot, skin)
            p.finger('touchStart', 60, 300)
            wait(p, lambda s: s.count(spot, skin) > bare + 300, 'the cursor under the finger')
            p.finger('touchEnd', 60, 300)
            wait(p, lambda s: s.count(spot, skin) <= bare + 30, 'no cursor where the finger lifted')
