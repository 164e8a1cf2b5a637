"""PER-visible constraint arithmetic: sets of integers (value ranges and sizes) and
permitted alphabets, as X.691 uses them to choose an encoding."""


class IntSet:
    """A union of closed intervals; None as an end stands for MIN or MAX."""

    def __init__(self, intervals):
        self.iv = self._normalize(intervals)

    @staticmethod
    def _normalize(intervals):
        def lo_key(iv):
            return float("-inf") if iv[0] is None else iv[0]
        valid = [iv for iv in intervals if iv[0] is None or iv[1] is None or iv[0] <= iv[1]]
        out = []
        for lo, hi in sorted(valid, key=lo_key):
            if out:
                plo, phi = out[-1]
                if phi is None:
                    continue  # the previous interval already reaches MAX
                if lo is None or lo <= phi + 1:
                    out[-1] = (plo, None if hi is None else max(phi, hi))
                    continue
            out.append((lo, hi))
        return out

    def union(self, other):
        return IntSet(self.iv + other.iv)

    def intersect(self, other):
        out = []
        for a_lo, a_hi in self.iv:
            for b_lo, b_hi in other.iv:
                lo = b_lo if a_lo is None else (a_lo if b_lo is None else max(a_lo, b_lo))
                hi = b_hi if a_hi is None else (a_hi if b_hi is None else min(a_hi, b_hi))
                if lo is None or hi is None or lo <= hi:
                    out.append((lo, hi))
        return IntSet(out)

    def bounds(self):
        """The smallest single range that covers the set: what PER encodes against."""
        if not self.iv:
            return (None, None)
        lo = None if any(iv[0] is None for iv in self.iv) else min(iv[0] for iv in self.iv)
        hi = None if any(iv[1] is None for iv in self.iv) else max(iv[1] for iv in self.iv)
        return (lo, hi)

    def empty(self):
        return not self.iv

    def __repr__(self):
        return "IntSet(%r)" % self.iv


class Dims:
    """What one constraint restricts, per dimension: the values (INTEGER or, inside FROM,
    characters as codes), the size, and the permitted alphabet. None means unrestricted.
    `ext` tells whether the constraint carries an extension marker."""

    def __init__(self, values=None, size=None, alpha=None, ext=False, size_ext=False):
        self.values = values
        self.size = size
        self.alpha = alpha
        self.ext = ext
        self.size_ext = size_ext

    def union(self, o):
        return Dims(
            None if self.values is None or o.values is None else self.values.union(o.values),
            None if self.size is None or o.size is None else self.size.union(o.size),
            None if self.alpha is None or o.alpha is None else self.alpha | o.alpha,
            self.ext or o.ext, self.size_ext or o.size_ext)

    def intersect(self, o):
        def both(a, b, f):
            if a is None:
                return b
            if b is None:
                return a
            return f(a, b)
        return Dims(
            both(self.values, o.values, lambda a, b: a.intersect(b)),
            both(self.size, o.size, lambda a, b: a.intersect(b)),
            both(self.alpha, o.alpha, lambda a, b: a & b),
            self.ext or o.ext, self.size_ext or o.size_ext)

    def __repr__(self):
        return "Dims(values=%r, size=%r, alpha=%r, ext=%r, size_ext=%r)" % (
            self.values, self.size, self.alpha, self.ext, self.size_ext)
