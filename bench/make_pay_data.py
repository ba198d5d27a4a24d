#!/usr/bin/env python3
"""Writes the pay data of N employees as a .csv (UTF-8) with the columns of the example template
(示例/模板.doc), for the benchmarks of big runs. Usage: make_pay_data.py N OUT.csv"""
import csv
import sys

TITLES = ['姓名', '部门', '职务', '月份', '基本工资', '岗位津贴', '绩效奖金', '加班费',
          '社保扣款', '公积金扣款', '个人所得税', '实发工资']
DEPARTMENTS = [('销售部', '销售代表'), ('研发部', '测试工程师'), ('人事部', '招聘专员'), ('财务部', '出纳')]


def main():
    n, out = int(sys.argv[1]), sys.argv[2]
    with open(out, 'w', newline='', encoding='utf-8') as f:
        w = csv.writer(f)
        w.writerow(TITLES)
        for i in range(1, n + 1):
            dept, title = DEPARTMENTS[i % len(DEPARTMENTS)]
            base, extra, bonus, overtime = 5000 + (i * 37) % 9000, 600 + i % 5 * 100, i * 13 % 3000, i % 7 * 100
            social, fund = base * 8 // 100, base * 7 // 100
            taxable = base + extra + bonus + overtime - social - fund - 5000
            tax = max(0, taxable * 3 // 100 if taxable <= 3000 else taxable * 10 // 100 - 210)
            net = base + extra + bonus + overtime - social - fund - tax
            w.writerow(['员工%04d' % i, dept, title, '2026年11月', base, extra, bonus, overtime, social, fund, tax, net])


if __name__ == '__main__':
    main()
